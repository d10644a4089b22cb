// qzslice-cli merge: joining a set back, where the output lands, deleting the
// slices, the overwrite question and a broken set.

#include <filesystem>

#include "tests/cli/CliFixture.h"

// A 1 000 000-byte source split into three slices, the source then removed.
class MergeCommand : public CliFixture {
protected:
    void SetUp() override {
        src_ = splitNew("clip.mp4", 1000000, 3);
        ASSERT_TRUE(std::filesystem::remove(at("clip.mp4")));
    }
    bool slicesThere() const { return has("clip.mp4.QZ1") && has("clip.mp4.QZ3"); }
    Bytes src_;
};

TEST_F(MergeCommand, RebuildsTheSourceAndKeepsTheSlices) {
    auto r = cli({"merge", "clip.mp4.QZ1"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, kDone);
    EXPECT_EQ(bytesOf("clip.mp4"), src_);
    EXPECT_TRUE(slicesThere());
}

TEST_F(MergeCommand, ToWritesTheOutputThere) {
    mkdir("out");
    auto r = cli({"merge", "clip.mp4.QZ1", "--to=out"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(bytesOf("out/clip.mp4"), src_);
    EXPECT_FALSE(has("clip.mp4"));
    EXPECT_TRUE(slicesThere());
}

TEST_F(MergeCommand, ToAMissingFolderNamesTheFolder) {
    auto r = cli({"merge", "clip.mp4.QZ1", "--to", "nowhere"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no such directory: " + at("nowhere") + "/: "), std::string::npos)
        << r.err;
    EXPECT_TRUE(slicesThere());
}

TEST_F(MergeCommand, DeleteRemovesTheSlicesAfterJoining) {
    EXPECT_EQ(cli({"merge", "--delete", "clip.mp4.QZ1"}).status, 0);
    EXPECT_EQ(bytesOf("clip.mp4"), src_);
    EXPECT_FALSE(has("clip.mp4.QZ1"));
    EXPECT_FALSE(has("clip.mp4.QZ2"));
    EXPECT_FALSE(has("clip.mp4.QZ3"));
}

TEST_F(MergeCommand, ExistingOutputIsOverwrittenOnlyOnYes) {
    const Bytes other = make("clip.mp4", 1000, 7);
    auto no = cli({"merge", "clip.mp4.QZ1", "--no", "--delete"});
    EXPECT_EQ(no.status, 3);
    EXPECT_EQ(no.err, std::string(kOverwrite) + "\n");
    EXPECT_EQ(bytesOf("clip.mp4"), other);
    EXPECT_TRUE(slicesThere());

    auto asked = cli({"merge", "clip.mp4.QZ1"});
    EXPECT_EQ(asked.status, 3);
    EXPECT_EQ(asked.err, std::string(kOverwrite) + "\n" + kTakenAsNo);
    EXPECT_EQ(bytesOf("clip.mp4"), other);

    auto yes = cli({"merge", "clip.mp4.QZ1", "--yes"});
    EXPECT_EQ(yes.status, 0);
    EXPECT_EQ(yes.err, std::string(kOverwrite) + "\n" + kDone);
    EXPECT_EQ(bytesOf("clip.mp4"), src_);
}

TEST_F(MergeCommand, SetWithAGapFailsWithStatus1AndTouchesNothing) {
    ASSERT_TRUE(std::filesystem::remove(at("clip.mp4.QZ2")));
    auto r = cli({"merge", "clip.mp4.QZ1", "--delete", "--yes"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, std::string(kError) +
                         "a gap in the set: there is no slice 2, yet there is: " +
                         at("clip.mp4.QZ3") + "\n");
    EXPECT_FALSE(has("clip.mp4"));
    EXPECT_TRUE(slicesThere());
}

TEST_F(MergeCommand, MissingFirstSliceIsNotFound) {
    auto r = cli({"merge", "other.QZ1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, std::string(kError) + "cannot look at: " + at("other.QZ1") +
                         ": No such file or directory\n");
}
