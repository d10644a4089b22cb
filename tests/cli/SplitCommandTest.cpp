// qzslice-cli split: slices on the chunk boundaries, where they land, and the
// exit status of every way out.

#include <unistd.h>

#include "tests/cli/CliFixture.h"

using SplitCommand = CliFixture;

TEST_F(SplitCommand, CutsOnChunkBoundariesAndCatOfSlicesRebuildsSource) {
    const Bytes src = make("clip.mp4", 1000000);
    auto r = cli({"split", "clip.mp4", "3"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, kDone);  // no terminal: no progress either
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(sizeOf("clip.mp4.QZ1"), 327675);
    EXPECT_EQ(sizeOf("clip.mp4.QZ2"), 327675);
    EXPECT_EQ(sizeOf("clip.mp4.QZ3"), 344650);
    EXPECT_FALSE(has("clip.mp4.QZ4"));
    EXPECT_EQ(joined("clip.mp4", 3), src);
    EXPECT_EQ(bytesOf("clip.mp4"), src);
}

TEST_F(SplitCommand, CountOneCopiesTheWholeSource) {
    const Bytes src = make("a.bin", 300000);
    EXPECT_EQ(cli({"split", "a.bin", "1"}).status, 0);
    EXPECT_EQ(bytesOf("a.bin.QZ1"), src);
    EXPECT_FALSE(has("a.bin.QZ2"));
}

TEST_F(SplitCommand, ToPutsSlicesIntoThatDirectoryOnly) {
    mkdir("in");
    mkdir("out");
    const Bytes src = make("in/a.bin", 300000);
    auto r = cli({"split", "./in//a.bin", "3", "--to", "out//"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(joined("out/a.bin", 3), src);
    EXPECT_FALSE(has("in/a.bin.QZ1"));
}

TEST_F(SplitCommand, SourceBehindASymlinkIsNamedAndPlacedByTheLink) {
    mkdir("real");
    const Bytes src = make("real/data", 200000);
    ASSERT_EQ(::symlink("real/data", at("link.bin").c_str()), 0);
    EXPECT_EQ(cli({"split", "link.bin", "2"}).status, 0);
    EXPECT_EQ(joined("link.bin", 2), src);
    EXPECT_FALSE(has("real/data.QZ1"));
}

TEST_F(SplitCommand, SlicesOf64KBOrLessAreRefusedWithStatus3) {
    make("a.bin", 131070);  // S = 65 535
    auto r = cli({"split", "a.bin", "2", "--yes"});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, kTooSmall);
    EXPECT_FALSE(has("a.bin.QZ1"));
}

TEST_F(SplitCommand, CountBoundsAreTakenAsCounts) {
    make("a.bin", 300000);
    EXPECT_EQ(cli({"split", "a.bin", "999"}).status, 3);  // parsed, then refused
    EXPECT_EQ(cli({"split", "a.bin", "002"}).status, 0);
    EXPECT_TRUE(has("a.bin.QZ2"));
    EXPECT_FALSE(has("a.bin.QZ3"));
}

// An earlier split into 7 pieces, then the same source split into 3.
class SplitOverExistingSet : public CliFixture {
protected:
    void SetUp() override {
        src_ = splitNew("a.bin", 1000000, 7);
        oldFirst_ = bytesOf("a.bin.QZ1");
    }
    Bytes src_, oldFirst_;
};

TEST_F(SplitOverExistingSet, YesReplacesTheWholeSet) {
    auto r = cli({"split", "a.bin", "3", "--yes"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, std::string(kReplace) + "\n" + kDone);
    EXPECT_EQ(joined("a.bin", 3), src_);
    EXPECT_FALSE(has("a.bin.QZ4"));
    EXPECT_FALSE(has("a.bin.QZ7"));
}

TEST_F(SplitOverExistingSet, NoLeavesItAsItWasWithStatus3) {
    auto r = cli({"split", "a.bin", "3", "--no"});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, std::string(kReplace) + "\n");
    EXPECT_EQ(bytesOf("a.bin.QZ1"), oldFirst_);
    EXPECT_TRUE(has("a.bin.QZ7"));
}

TEST_F(SplitOverExistingSet, WithoutTerminalOrFlagTheQuestionIsTakenAsNo) {
    auto r = cli({"split", "a.bin", "3"});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, std::string(kReplace) + "\n" + kTakenAsNo);
    EXPECT_TRUE(has("a.bin.QZ7"));
}

TEST_F(SplitCommand, SourceThatIsNoFileFailsNamingItAndWhy) {
    mkdir("dir");
    const std::pair<const char*, std::string> rows[] = {
        {"missing.bin", ": " + at("missing.bin") + ": No such file or directory\n"},
        {"dir", "not a plain file: " + at("dir") + "\n"},
        {"nodir/a.bin", ": " + at("nodir/a.bin") + ": No such file or directory\n"},
    };
    for (const auto& [source, reason] : rows) {
        auto r = cli({"split", source, "2"});
        EXPECT_EQ(r.status, 1) << source;
        EXPECT_EQ(r.err.rfind(kError, 0), 0u) << r.err;
        EXPECT_TRUE(r.err.ends_with(reason)) << r.err;
    }
}

TEST_F(SplitCommand, EngineErrorPathGivesStatus1) {
    make("empty.bin", 0);
    auto r = cli({"split", "empty.bin", "2"});
    EXPECT_EQ(r.status, 1);
    // The reason follows on the next line: what failed, and where.
    EXPECT_EQ(r.err, std::string(kError) + "the file is empty: " + at("empty.bin") + "\n");
}
