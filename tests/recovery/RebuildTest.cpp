// Our reader and rebuild over sets our encoder wrote and sets par2 create
// wrote: which slices come back, which recovery data is trusted, and what
// is refused.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "engine/io/FileError.h"
#include "engine/io/FileHandle.h"
#include "engine/recovery/Rebuild.h"
#include "engine/recovery/RecoverySet.h"
#include "tests/recovery/RecoveryFixture.h"

namespace qz {
namespace {

class RebuildTest : public RecoveryFixture {
protected:
    // Rebuilds the slices at 0-based indexes lost into NAME.QZk.new and
    // says whether each came back as it was written.
    void rebuildAndCompare(const RecoverySet& set, const std::vector<std::size_t>& lost) {
        const Rebuild rebuild(set, lost);
        std::vector<FileHandle> files;
        for (std::size_t i : lost) files.push_back(FileHandle::createNew(dir_ / (set.slices()[i].name + ".new"), 0644));
        std::vector<FileHandle*> outputs;
        for (FileHandle& file : files) outputs.push_back(&file);
        rebuild.write(outputs);
        for (FileHandle& file : files) file.close();
        for (std::size_t i : lost) {
            const std::string& name = set.slices()[i].name;
            const std::size_t k = std::stoul(name.substr(name.rfind("QZ") + 2));
            EXPECT_EQ(TempDir::read(dir_ / (name + ".new")), slices_[k - 1]) << name;
            std::filesystem::remove(dir_ / (name + ".new"));
        }
    }
    // The 0-based indexes in set of the slices numbered ks (1-based).
    static std::vector<std::size_t> indexesOf(const RecoverySet& set, const std::vector<std::size_t>& ks) {
        std::vector<std::size_t> indexes;
        for (std::size_t k : ks)
            for (std::size_t i = 0; i < set.slices().size(); ++i)
                if (set.slices()[i].name == "s.QZ" + std::to_string(k)) indexes.push_back(i);
        return indexes;
    }
    void flipByte(const std::string& path, std::int64_t offset) {
        Bytes bytes = TempDir::read(path);
        bytes.at(static_cast<std::size_t>(offset)) ^= 0x40;
        TempDir::write(path, bytes);
    }
};

TEST_F(RebuildTest, AnyKOfNLostSlicesComeBackAndOneMoreIsRefused) {
    struct Case {
        const char* what;
        std::vector<std::int64_t> sizes;
        std::uint32_t count;
        std::vector<std::vector<std::size_t>> losses;  // 1-based slices
    };
    const std::vector<Case> cases{
        {"a short last slice", {65535 * 2, 65535 * 2, 65535 * 2, 65535 * 2, 777}, 3,
         {{1}, {5}, {1, 5}, {2, 3, 4}, {1, 3, 5}}},
        {"pieces of several MiB", {(5 << 20) + 1, (5 << 20) + 1, 3 << 20}, 2, {{1, 3}, {2}}},
        {"as many blocks as slices", {4001, 4000, 3999}, 3, {{1, 2, 3}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeSlices("s", c.sizes);
        encode("s", c.count, 100003);
        const RecoverySet set = RecoverySet::read(dir_.path(), "s.QZ");
        ASSERT_EQ(set.blocks().size(), c.count);
        for (const auto& lost : c.losses) rebuildAndCompare(set, indexesOf(set, lost));
        if (c.count < c.sizes.size()) {
            std::vector<std::size_t> tooMany;
            for (std::size_t k = 1; k <= c.count + 1; ++k) tooMany.push_back(k);
            EXPECT_THROW(Rebuild(set, indexesOf(set, tooMany)), FileError);
        }
        for (const auto& entry : std::filesystem::directory_iterator(dir_.path()))
            std::filesystem::remove(entry.path());
    }
}

TEST_F(RebuildTest, ExaminingTellsIntactDamagedAndLostSlices) {
    writeSlices("s", {30000, 30000, 30000, 100});
    encode("s", 2);
    std::filesystem::remove(slicePath("s", 2));
    flipByte(slicePath("s", 3), 29999);
    RecoverySet set = RecoverySet::read(dir_.path(), "s.QZ");
    set.examine();
    const auto states = std::map<std::string, RecoverySet::State>{
        {"s.QZ1", RecoverySet::State::Intact}, {"s.QZ2", RecoverySet::State::Lost},
        {"s.QZ3", RecoverySet::State::Damaged}, {"s.QZ4", RecoverySet::State::Intact}};
    for (const auto& slice : set.slices()) EXPECT_EQ(slice.state, states.at(slice.name)) << slice.name;
    EXPECT_TRUE(set.mendable());
    rebuildAndCompare(set, set.unusable());
}

// Damaged recovery data is never used: its packet's MD5 gives it away,
// and so does a volume cut short; the set's description is taken from
// whichever file still holds it.
TEST_F(RebuildTest, DamagedOrTruncatedRecoveryFilesAreNotUsed) {
    writeSlices("s", {20000, 20000, 20000});
    encode("s", 3);
    flipByte(dir_ / "s.QZ.vol0+1.par2", 5000);                               // in the data
    std::filesystem::resize_file(dir_ / "s.QZ.vol1+1.par2", 68 + 10000);    // cut in the data
    flipByte(dir_ / "s.QZ.par2", 70);                                        // the index's main packet
    RecoverySet set = RecoverySet::read(dir_.path(), "s.QZ");
    ASSERT_EQ(set.blocks().size(), 1u);
    EXPECT_EQ(set.blocks()[0].exponent, 2u);
    EXPECT_THROW(Rebuild(set, indexesOf(set, {1, 2})), FileError);
    rebuildAndCompare(set, indexesOf(set, {2}));
    // A slice taken for intact that is not gives a rebuilt slice that its
    // MD5 gives away.
    flipByte(slicePath("s", 1), 3);
    const Rebuild rebuild(set, indexesOf(set, {3}));
    FileHandle out = FileHandle::createNew(dir_ / "out", 0644);
    EXPECT_THROW(rebuild.write({&out}), FileError);
}

TEST_F(RebuildTest, WithoutAnIntactDescriptionTheSetIsRefused) {
    writeSlices("s", {20000, 20000});
    encode("s", 1);
    flipByte(dir_ / "s.QZ.par2", 70);
    flipByte(dir_ / "s.QZ.vol0+1.par2", 68 + 20000 + 70);
    EXPECT_THROW(RecoverySet::read(dir_.path(), "s.QZ"), FileError);
    std::filesystem::remove(dir_ / "s.QZ.vol0+1.par2");
    std::filesystem::remove(dir_ / "s.QZ.par2");
    EXPECT_THROW(RecoverySet::readIndex(dir_ / "s.QZ.par2"), FileError);
}

// Sets par2 create made over the slices: with one block per slice we read
// and rebuild them; cut into several blocks per slice, we send the user
// to par2 repair.
TEST_F(RebuildTest, SetsMadeByPar2CreateAreReadOrRefused) {
    if (!havePar2()) GTEST_SKIP() << "par2 is not installed (Debian's package par2)";
    writeSlices("s", {50001, 50001, 50001, 999});
    ASSERT_EQ(par2({"create", "-q", "-q", "-s50004", "-c2", "-n2", "-u", "s.QZ", "s.QZ1", "s.QZ2", "s.QZ3", "s.QZ4"}), 0);
    std::filesystem::remove(slicePath("s", 1));
    RecoverySet set = RecoverySet::readIndex(dir_ / "s.QZ.par2");
    set.examine();
    ASSERT_EQ(set.unusable().size(), 1u);
    EXPECT_TRUE(set.mendable());
    rebuildAndCompare(set, indexesOf(set, {1, 4}));

    for (const auto& entry : std::filesystem::directory_iterator(dir_.path()))
        if (entry.path().extension() == ".par2") std::filesystem::remove(entry.path());
    TempDir::write(slicePath("s", 1), slices_[0]);
    ASSERT_EQ(par2({"create", "-q", "-q", "-s4000", "-c10", "s.QZ", "s.QZ1", "s.QZ2", "s.QZ3", "s.QZ4"}), 0);
    try {
        RecoverySet::read(dir_.path(), "s.QZ");
        ADD_FAILURE() << "a set of several blocks per slice was taken";
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find("par2 repair"), std::string::npos) << e.what();
    }
}

}  // namespace
}  // namespace qz
