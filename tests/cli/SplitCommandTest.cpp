// qzslice-cli split: slices on the chunk boundaries, where they land, and the
// exit status of every way out.

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <utility>

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

// Each word --max-size takes stands for exactly its number of bytes: a
// source of that size is one slice, one byte more makes two. The sources are
// sparse, and an older slice answered No keeps the run from writing them.
struct SizeWord {
    const char* word;
    std::int64_t bytes;
};

class MaxSizeWords : public CliFixture, public ::testing::WithParamInterface<SizeWord> {};

TEST_P(MaxSizeWords, NameTheLargestSliceTheirMediumHolds) {
    const auto [word, bytes] = GetParam();
    for (const auto& [size, said] : {std::pair{bytes, "1 slice\n"}, {bytes + 1, "2 slices\n"}}) {
        make("src", 0);
        std::filesystem::resize_file(at("src"), static_cast<std::uintmax_t>(size));
        make("src.QZ1", 10);
        auto r = cli({"split", "src", "--max-size", word, "--no"});
        EXPECT_EQ(r.out, said) << word << ", a source of " << size << " bytes: " << r.err;
        EXPECT_EQ(r.status, 3) << r.err;
        EXPECT_EQ(sizeOf("src.QZ1"), 10);
    }
}

INSTANTIATE_TEST_SUITE_P(
    CliSizes, MaxSizeWords,
    ::testing::Values(SizeWord{"fat32", 4294967295}, SizeWord{"cd", 735922176},
                      SizeWord{"dvd", 4698275840}, SizeWord{"dvd-dl", 8541569024},
                      SizeWord{"bd", 24958205952},
                      // 4 096 bytes of headers, then lines of 57 bytes in 78
                      // characters, and a shorter last line.
                      SizeWord{"mail:25000000", 18266235}, SizeWord{"mail:25M", 19153683},
                      SizeWord{"mail:1M", 763272}));
