// What par2 makes of our PAR2 files: it must find the set whole, and
// rebuild what is lost or damaged byte for byte.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "engine/io/FileError.h"
#include "engine/recovery/Par2Packet.h"
#include "engine/recovery/RecoveryEncoder.h"
#include "tests/recovery/RecoveryFixture.h"

namespace qz {
namespace {

class OracleTest : public RecoveryFixture {
protected:
    void SetUp() override {
        if (!havePar2()) GTEST_SKIP() << "par2 is not installed (Debian's package par2)";
    }
    // The packets of a PAR2 file but the creator's, sorted: the order they
    // come in is each maker's own.
    static std::vector<Bytes> packetsOf(const std::string& path) {
        const Bytes file = TempDir::read(path);
        std::vector<Bytes> packets;
        for (std::size_t at = 0; at + Par2Packet::kHeaderSize <= file.size();) {
            const auto header = Par2Packet::parseHeader(file.data() + at);
            if (!header) break;
            const auto end = at + static_cast<std::size_t>(header->length);
            if (header->type != Par2Packet::Type::Creator) packets.emplace_back(file.begin() + at, file.begin() + end);
            at = end;
        }
        std::sort(packets.begin(), packets.end());
        return packets;
    }
};

struct SetCase {
    const char* what;
    std::vector<std::int64_t> sizes;
    std::uint32_t count;
    std::size_t chunk;
    std::vector<std::size_t> lost;  // 1-based slices deleted, then repaired
};

TEST_F(OracleTest, Par2VerifiesOurSetsAndRepairsThem) {
    const std::vector<SetCase> cases{
        {"one slice", {40000}, 1, 4096, {1}},
        {"equal slices, a short last one", {131070, 131070, 131070, 1001}, 2, 4097, {1, 4}},
        {"odd sizes, the largest in the middle", {7, 70001, 3}, 3, 65536, {1, 2, 3}},
        {"twelve slices, volumes numbered in two digits", std::vector<std::int64_t>(12, 3001), 12, 1000,
         {1, 5, 12}},
    };
    for (const SetCase& c : cases) {
        SCOPED_TRACE(c.what);
        writeSlices("数 据", c.sizes);
        encode("数 据", c.count, c.chunk);
        ASSERT_EQ(par2({"verify", "--", "数 据.QZ.par2"}), 0);
        for (std::size_t k : c.lost) std::filesystem::remove(slicePath("数 据", k));
        ASSERT_NE(par2({"verify", "--", "数 据.QZ.par2"}), 0);
        ASSERT_EQ(par2({"repair", "--", "数 据.QZ.par2"}), 0);
        for (std::size_t k : c.lost) EXPECT_EQ(TempDir::read(slicePath("数 据", k)), slices_[k - 1]) << k;
        for (const auto& entry : std::filesystem::directory_iterator(dir_.path()))
            std::filesystem::remove(entry.path());
    }
}

TEST_F(OracleTest, Par2RepairsADamagedSliceFromAnyOneVolume) {
    writeSlices("set", {50000, 50000, 20000});
    encode("set", 2);
    std::filesystem::remove(dir_ / "set.QZ.par2");  // the volumes stand alone
    std::filesystem::remove(dir_ / "set.QZ.vol0+1.par2");
    Bytes damaged = slices_[1];
    damaged[777] ^= 1;
    TempDir::write(slicePath("set", 2), damaged);
    ASSERT_EQ(par2({"repair", "--", "set.QZ.vol1+1.par2"}), 0);
    EXPECT_EQ(TempDir::read(slicePath("set", 2)), slices_[1]);
}

// Every packet but the creator's is the same whoever makes it from the
// same slices and block size: ours must be par2's, byte for byte.
TEST_F(OracleTest, OurPacketsAreThoseOfPar2Create) {
    writeSlices("p", {50001, 50001, 50001, 999});
    encode("p", 2);
    ASSERT_EQ(par2({"create", "-q", "-q", "-s50004", "-c2", "-n2", "-u", "other.QZ", "p.QZ1", "p.QZ2", "p.QZ3",
                    "p.QZ4"}),
              0);
    for (const auto& [ours, theirs] : std::vector<std::pair<std::string, std::string>>{
             {"p.QZ.par2", "other.QZ.par2"},
             {"p.QZ.vol0+1.par2", "other.QZ.vol0+1.par2"},
             {"p.QZ.vol1+1.par2", "other.QZ.vol1+1.par2"}})
        EXPECT_TRUE(packetsOf(dir_ / ours) == packetsOf(dir_ / theirs)) << ours << " differs from " << theirs;
}

// par2 on Linux takes a backslash for a folder's separator and changes
// control characters: such slices are refused before anything is written.
TEST_F(OracleTest, NamesPar2CannotFindAreRefused) {
    for (const std::string& name : {std::string("a\\b"), std::string("line\nbreak"), std::string("tab\there")}) {
        writeSlices("ok", {1000});
        EXPECT_THROW(
            (RecoveryEncoder({{name + ".QZ1", 1000, Md5::of(slices_[0].data(), 1000)}}, 1, {nullptr, nullptr})),
            FileError)
            << name;
    }
}

}  // namespace
}  // namespace qz
