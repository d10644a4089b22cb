// qzslice-cli on file systems of their own: a power cut on ext4 right after
// a run reported completion, and a case-insensitive exFAT volume as on a USB
// stick, where names resolve without regard to case.

#include <unistd.h>

#include <filesystem>

#include "tests/cli/CliFixture.h"
#include "tests/support/LoopVolume.h"
#include "engine/set/SliceSizes.h"

namespace {

namespace fs = std::filesystem;

// Every name in the directory, in order.
std::vector<std::string> namesIn(const std::string& d) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(d))
        if (e.path().filename() != "lost+found") names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

using Names = std::vector<std::string>;

class PowerCut : public CliFixture {
protected:
    void SetUp() override {
        if (!volume_.mounted()) GTEST_SKIP() << volume_.why();
    }
    LoopVolume volume_{LoopVolume::Kind::Ext4};
};

TEST_F(PowerCut, RightAfterCompletionLosesNothing) {
    const std::string on = volume_.path();
    const Bytes src = make("src", 3000000);
    // Slices land whole, and so does the output that replaces them.
    ASSERT_EQ(cli({"split", "src", "3", "--to", on}).status, 0);
    if (!volume_.cutPowerAndRemount()) GTEST_SKIP() << "cannot cut the test volume's power here";
    EXPECT_EQ(namesIn(on), (Names{"src.QZ.sha256", "src.QZ1", "src.QZ2", "src.QZ3"}));
    Bytes joined;
    for (const char* slice : {"src.QZ1", "src.QZ2", "src.QZ3"}) {
        const Bytes part = qz::TempDir::read(on + slice);
        joined.insert(joined.end(), part.begin(), part.end());
    }
    EXPECT_TRUE(joined == src);

    ASSERT_EQ(cli({"merge", on + "src.QZ1", "--delete"}).status, 0);
    ASSERT_TRUE(volume_.cutPowerAndRemount());
    EXPECT_EQ(namesIn(on), Names{"src"});
    EXPECT_TRUE(qz::TempDir::read(on + "src") == src);
}

class ExFatStick : public CliFixture {
protected:
    void SetUp() override {
        if (!volume_.mounted()) GTEST_SKIP() << volume_.why();
        mkdir("a");
        mkdir("b");
    }
    LoopVolume volume_{LoopVolume::Kind::ExFat};
};

TEST_F(ExFatStick, SlicesOfANameInAnotherCaseAreAskedAbout) {
    const std::string on = volume_.path();
    make("a/Data", 400000, 1);
    const Bytes data = make("b/data", 300000, 2);
    ASSERT_EQ(cli({"split", "a/Data", "3", "--to", on}).status, 0);

    auto no = cli({"split", "b/data", "2", "--to", on, "--no"});
    EXPECT_EQ(no.status, 3) << no.err;
    EXPECT_EQ(namesIn(on), (Names{"Data.QZ.sha256", "Data.QZ1", "Data.QZ2", "Data.QZ3"}));

    auto yes = cli({"split", "b/data", "2", "--to", on, "--yes"});
    EXPECT_EQ(yes.status, 0) << yes.err;
    EXPECT_EQ(namesIn(on), (Names{"data.QZ.sha256", "data.QZ1", "data.QZ2"}));
    EXPECT_EQ(cli({"merge", on + "data.QZ1", "--to", at("a")}).status, 0);
    EXPECT_TRUE(bytesOf("a/data") == data);
}

// Case beyond ASCII, as the volume folds it: a stale slice CAFÉ.QZ4 is one
// of café's, asked about and replaced by a split, and refused by a merge.
TEST_F(ExFatStick, NamesThatDifferInCaseBeyondAsciiAreTheSetsOwn) {
    const std::string on = volume_.path();
    make("a/CAFÉ", 900000, 1);
    ASSERT_EQ(cli({"split", "a/CAFÉ", "4", "--to", on}).status, 0);
    for (const char* gone : {"CAFÉ.QZ1", "CAFÉ.QZ2", "CAFÉ.QZ3", "CAFÉ.QZ.sha256"})
        fs::remove(on + gone);
    const Bytes data = make("b/café", 300000, 2);
    ASSERT_EQ(cli({"split", "b/café", "3", "--to", on, "--yes"}).status, 0);
    auto merge = cli({"merge", on + "café.QZ1", "--to", at("a")});
    EXPECT_EQ(merge.status, 0) << merge.err;  // the stale slice 4 went with the Yes
    EXPECT_EQ(namesIn(on), (Names{"café.QZ.sha256", "café.QZ1", "café.QZ2", "café.QZ3"}));

    make("CAFÉ.QZ4", 1000, 3);
    fs::copy_file(at("CAFÉ.QZ4"), on + "CAFÉ.QZ4");
    auto gap = cli({"merge", on + "café.QZ1", "--to", at("b"), "--yes"});
    EXPECT_EQ(gap.status, 1);
    EXPECT_NE(gap.err.find("QZ4"), std::string::npos) << gap.err;
    EXPECT_EQ(bytesOf("b/café"), data);  // the older file at the output's name stays
}

TEST_F(ExFatStick, ASetWhoseNamesDifferInCaseJoinsWholeAndGoesWhole) {
    const std::string on = volume_.path();
    const Bytes r = make("a/r", 400000);
    ASSERT_EQ(cli({"split", "a/r", "3", "--to", on}).status, 0);
    fs::rename(on + "r.QZ2", on + "r.qz2");
    auto merged = cli({"merge", on + "r.QZ1", "--to", at("b"), "--delete"});
    EXPECT_EQ(merged.status, 0) << merged.err;
    EXPECT_TRUE(bytesOf("b/r") == r);
    EXPECT_EQ(namesIn(on), Names{});
}

TEST_F(ExFatStick, AnOutputInAnotherCaseIsAskedAbout) {
    const std::string on = volume_.path();
    make("a/r", 400000);
    ASSERT_EQ(cli({"split", "a/r", "3", "--to", on}).status, 0);
    qz::TempDir::write(on + "R", {1});
    auto r = cli({"merge", on + "r.QZ1", "--no"});
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_EQ(qz::TempDir::read(on + "R"), Bytes{1});
    EXPECT_EQ(namesIn(on), (Names{"R", "r.QZ.sha256", "r.QZ1", "r.QZ2", "r.QZ3"}));
}

// A file larger than FAT holds is refused before a byte is written, with
// the way out that fits; exFAT holds it, so there only the free space
// refuses it. Sparse files, so that none of it is ever read.
TEST_F(ExFatStick, FilesLargerThanFatHoldsAreRefusedOnlyOnFat) {
    LoopVolume fat(LoopVolume::Kind::Fat);
    const std::int64_t big = (std::int64_t{4} << 30) + 1;
    make("a/big", 0);
    ASSERT_EQ(::truncate(at("a/big").c_str(), big), 0);
    const auto sizes = qz::SliceSizes::sizesFor(big, 2);
    for (std::size_t k = 0; k < sizes.size(); ++k) {
        const std::string slice = "b/big.QZ" + std::to_string(k + 1);
        make(slice, 0);
        ASSERT_EQ(::truncate(at(slice).c_str(), sizes[k]), 0);
    }
    struct Row {
        std::vector<std::string> args;
        const char* says;
    };
    for (const bool onFat : {true, false}) {
        if (onFat && !fat.mounted()) continue;  // exFAT alone still tells
        const std::string on = onFat ? fat.path() : volume_.path();
        const char* space = "not enough free space";
        for (const Row& row :
             {Row{{"split", "a/big", "1", "--to", on}, onFat ? "--max-size fat32" : space},
              Row{{"merge", at("b/big.QZ1"), "--to", on}, onFat ? "onto another volume" : space}}) {
            const auto r = cli(row.args);
            EXPECT_EQ(r.status, 1) << row.args[0];
            EXPECT_NE(r.err.find(row.says), std::string::npos) << r.err;
            EXPECT_EQ(namesIn(on), Names{});
        }
    }
    // Root cannot give files away there: they stay root's, and the run goes on.
    if (!fat.mounted()) GTEST_SKIP() << fat.why();
    make("a/small", 300000);
    EXPECT_EQ(cli({"split", "a/small", "2", "--to", fat.path(), "-q"}).status, 0);
    EXPECT_EQ(namesIn(fat.path()).size(), 3u);
}

}  // namespace
