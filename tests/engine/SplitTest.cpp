// Splitting a file: the boundary rule, the ways out and what each leaves in
// the window, and replacing an existing set.

#include <unistd.h>

#include "engine/set/SliceNames.h"
#include "engine/set/SliceSizes.h"
#include "engine/io/Sys.h"
#include "tests/engine/EngineFixture.h"

namespace qz {
namespace {

using Sizes = std::vector<std::int64_t>;

class SplitTest : public EngineTest {
protected:
    // Splits a fresh pattern file of len bytes into count slices and checks
    // the slices join back into it.
    Sizes splitAndJoin(std::int64_t len, const std::string& count) {
        const std::string name = "src" + std::to_string(len) + ".bin";
        const auto bytes = TempDir::pattern(len);
        TempDir::write(dir / name, bytes);
        EXPECT_EQ(splitFile(dir / name, count), Engine::Outcome::Completed);
        std::vector<unsigned char> joined;
        Sizes sizes = sliceSizes(dir.path(), name);
        for (std::size_t k = 1; k <= sizes.size(); ++k) {
            auto part = TempDir::read(SliceNames::slicePath(dir.path(), name, long(k)));
            joined.insert(joined.end(), part.begin(), part.end());
        }
        EXPECT_TRUE(joined == bytes);
        return sizes;
    }
    // The bar and the progress area as an operation leaves them midway, so
    // that what a way out does to them shows.
    void progressMidway() {
        engine.progress().setStepWidth(500);
        engine.progress().advance();
        host.picture1Visible = true;
    }
};

TEST_F(SplitTest, SlicesFollowTheChunkBoundaryRule) {
    EXPECT_EQ(splitAndJoin(1000000, "3"), (Sizes{327675, 327675, 344650}));
    EXPECT_EQ(splitAndJoin(300000, "3"), (Sizes{65535, 131070, 103395}));
    // S an exact multiple of the chunk: boundary 1 lies one chunk below it.
    EXPECT_EQ(splitAndJoin(262140, "2"), (Sizes{65535, 196605}));
    EXPECT_EQ(splitAndJoin(131072, "2"), (Sizes{65535, 65537}));
}

TEST_F(SplitTest, ChunksThroughTheBufferGiveTheSameSlices) {
    useOptions({.throughBuffer = true});
    EXPECT_EQ(splitAndJoin(1000000, "3"), (Sizes{327675, 327675, 344650}));
    EXPECT_EQ(splitAndJoin(262140, "2"), (Sizes{65535, 196605}));
}

TEST_F(SplitTest, CountOneCopiesTheWholeSource) {
    EXPECT_EQ(splitAndJoin(200000, "1"), (Sizes{200000}));
}

TEST_F(SplitTest, CompletionLeavesTheWindowIdleAndEmptied) {
    TempDir::write(dir / "a.mp4", TempDir::pattern(200000));
    bool sawBusy = false;
    host.onDoEvents = [&] {
        sawBusy = host.caption == "操作进行中,请稍等..." && !host.frame1Enabled &&
                  !host.command5Enabled;
    };
    ASSERT_EQ(splitFile(dir / "a.mp4", "2"), Engine::Outcome::Completed);
    EXPECT_TRUE(sawBusy);
    ASSERT_EQ(host.shown.size(), 1u);
    EXPECT_EQ(host.shown[0].text, "操作完成!");
    EXPECT_EQ(host.shown[0].title, "提示");
    EXPECT_EQ(host.shown[0].style, MsgInfo);
    expectIdleEmptied();
    EXPECT_EQ(host.text2, "2");
    EXPECT_FALSE(host.text2Focused);
    EXPECT_EQ(engine.iPos(), 0);
    EXPECT_FALSE(engine.inputOpen());
}

TEST_F(SplitTest, GuardDoesNothingWithoutSourceOrSaveLocation) {
    TempDir::write(dir / "a.mp4", TempDir::pattern(200000));
    choose(dir / "a.mp4");
    host.text3 = "";
    EXPECT_EQ(engine.Command5_Click(), Engine::Outcome::Guard);
    host.text3 = dir.path();
    host.text1 = "";
    EXPECT_EQ(engine.Command5_Click(), Engine::Outcome::Guard);
    EXPECT_TRUE(host.shown.empty());
    EXPECT_EQ(host.caption, "QZ切片宝 V1.3优化版");
    EXPECT_FALSE(TempDir::exists(dir / "a.mp4.QZ1"));
}

TEST_F(SplitTest, SlicesOfAtMostOneChunkAreRefused) {
    TempDir::write(dir / "small", TempDir::pattern(131070));  // S = 65 535
    progressMidway();
    ASSERT_EQ(splitFile(dir / "small", "2"), Engine::Outcome::Refused);
    ASSERT_EQ(host.shown.size(), 1u);
    EXPECT_EQ(host.shown[0].text,
              "对不起,文件太小影响完整性,建议每个单位不要小于64KB!请重新设置切割个数!");
    EXPECT_EQ(host.shown[0].title, "操作被中止");
    EXPECT_EQ(host.shown[0].style, MsgInfo);
    EXPECT_EQ(host.caption, "QZ切片宝");
    EXPECT_TRUE(host.frame1Enabled && host.command5Enabled);
    EXPECT_EQ(host.text1, dir / "small");
    EXPECT_EQ(host.text3, dir.path());
    EXPECT_EQ(host.label3, "0.12 MB");
    EXPECT_TRUE(host.picture1Visible);  // left as it was
    EXPECT_TRUE(host.text2Focused);
    EXPECT_EQ(host.text2SelStart, 0);
    EXPECT_EQ(host.text2SelLength, 1);
    EXPECT_EQ(engine.iPos(), 0);
    EXPECT_FALSE(engine.inputOpen());
    EXPECT_FALSE(TempDir::exists(dir / "small.QZ1"));
    // A huge count makes the slices too small the same way.
    host.shown.clear();
    EXPECT_EQ(splitFile(dir / "small", "999"), Engine::Outcome::Refused);
}

TEST_F(SplitTest, EmptySourceAndCountZeroEndOnTheErrorPath) {
    TempDir::write(dir / "empty", {});
    TempDir::write(dir / "full", TempDir::pattern(200000));
    const std::vector<std::pair<const char*, const char*>> cases{
        {"empty", "2"}, {"full", "0"}, {"full", ""}};
    for (auto [file, count] : cases) {
        host.shown.clear();
        progressMidway();
        ASSERT_EQ(splitFile(dir / file, count), Engine::Outcome::Failed) << file << count;
        ASSERT_EQ(texts(), std::vector<std::string>{"切片错误"});
        EXPECT_EQ(host.shown[0].title, "出错");
        EXPECT_EQ(host.shown[0].style, MsgInfo);
        EXPECT_EQ(host.caption, "QZ切片宝V1.3优化版");
        EXPECT_TRUE(host.frame1Enabled && host.command5Enabled);
        EXPECT_EQ(host.text1, dir / file);
        EXPECT_EQ(host.text3, dir.path());
        EXPECT_NE(host.label3, "");
        EXPECT_FALSE(host.picture1Visible);
        EXPECT_FALSE(host.text2Focused);
        EXPECT_EQ(engine.iPos(), 0);
        EXPECT_EQ(engine.progress().DoneWidth(), 0);
        EXPECT_FALSE(engine.inputOpen());
        EXPECT_FALSE(TempDir::exists(dir / (std::string(file) + ".QZ1")));
    }
}

TEST_F(SplitTest, YesReplacesTheWholeEarlierSet) {
    TempDir::write(dir / "r.doc", TempDir::pattern(1000000));
    ASSERT_EQ(splitFile(dir / "r.doc", "7"), Engine::Outcome::Completed);
    ASSERT_EQ(sliceSizes(dir.path(), "r.doc").size(), 7u);
    host.shown.clear();
    host.answers = {MsgAnswer::Yes};
    ASSERT_EQ(splitFile(dir / "r.doc", "3"), Engine::Outcome::Completed);
    ASSERT_EQ(host.shown.size(), 2u);
    EXPECT_EQ(host.shown[0].text, "己存在该文件切片,是否代替原切片?");
    EXPECT_EQ(host.shown[0].title, "提示");
    EXPECT_EQ(host.shown[0].style, MsgQuestion);
    EXPECT_EQ(sliceSizes(dir.path(), "r.doc"), (Sizes{327675, 327675, 344650}));
    EXPECT_FALSE(TempDir::exists(dir / "r.doc.QZ4"));
}

TEST_F(SplitTest, NoToReplacingTouchesNothing) {
    TempDir::write(dir / "r.doc", TempDir::pattern(1000000));
    ASSERT_EQ(splitFile(dir / "r.doc", "7"), Engine::Outcome::Completed);
    const auto before = TempDir::read(dir / "r.doc.QZ1");
    host.shown.clear();
    host.answers = {MsgAnswer::No};
    progressMidway();
    ASSERT_EQ(splitFile(dir / "r.doc", "3"), Engine::Outcome::Declined);
    EXPECT_EQ(texts(), std::vector<std::string>{"己存在该文件切片,是否代替原切片?"});
    EXPECT_EQ(sliceSizes(dir.path(), "r.doc").size(), 7u);
    EXPECT_EQ(TempDir::read(dir / "r.doc.QZ1"), before);
    EXPECT_EQ(host.caption, "QZ切片宝");
    EXPECT_TRUE(host.frame1Enabled && host.command5Enabled);
    EXPECT_EQ(host.text1, dir / "r.doc");
    EXPECT_EQ(host.text3, "");
    EXPECT_NE(host.label3, "");
    EXPECT_FALSE(host.picture1Visible);
    EXPECT_TRUE(host.text2Focused);
    EXPECT_EQ(host.text2SelLength, 1);
    EXPECT_EQ(engine.iPos(), 0);
    EXPECT_FALSE(engine.inputOpen());
}

TEST_F(SplitTest, ReplacingDeletesOnlyTheSetsOwnSlices) {
    TempDir::write(dir / "r.doc", TempDir::pattern(200000));
    for (const char* stray : {"r.doc.QZ1.bak", "r.doc.QZx", "r.doc.qz1", "r.doc.QZ01"})
        TempDir::write(dir / stray, {7});
    TempDir::write(dir / "r.doc.QZ1", {1});
    TempDir::write(dir / "r.doc.QZ5", {5});
    host.answers = {MsgAnswer::Yes};
    ASSERT_EQ(splitFile(dir / "r.doc", "2"), Engine::Outcome::Completed);
    for (const char* stray : {"r.doc.QZ1.bak", "r.doc.QZx", "r.doc.qz1", "r.doc.QZ01"})
        EXPECT_EQ(TempDir::read(dir / stray), std::vector<unsigned char>{7}) << stray;
    EXPECT_FALSE(TempDir::exists(dir / "r.doc.QZ5"));
    EXPECT_EQ(sliceSizes(dir.path(), "r.doc"), (Sizes{65535, 134465}));
}

TEST_F(SplitTest, AsksBeforeReplacingAnySliceNameOfTheSource) {
    // Slices 4 and 5 of an older split whose first slice is gone: a later
    // merge would take them for part of the new set, so they are asked about
    // too. A case variant that this file system keeps apart from the set's
    // names is another file and stays.
    TempDir::write(dir / "r.doc", TempDir::pattern(200000));
    TempDir::write(dir / "r.doc.qz1", {1});
    for (const char* old : {"r.doc.QZ4", "r.doc.QZ5"}) TempDir::write(dir / old, {4});
    ASSERT_EQ(splitFile(dir / "r.doc", "2"), Engine::Outcome::Declined);
    EXPECT_EQ(texts(), std::vector<std::string>{"己存在该文件切片,是否代替原切片?"});
    EXPECT_FALSE(TempDir::exists(dir / "r.doc.QZ1"));
    EXPECT_EQ(TempDir::read(dir / "r.doc.QZ4"), std::vector<unsigned char>{4});

    host.answers = {MsgAnswer::Yes};
    ASSERT_EQ(splitFile(dir / "r.doc", "2"), Engine::Outcome::Completed);
    EXPECT_EQ(sliceSizes(dir.path(), "r.doc"), (Sizes{65535, 134465}));
    EXPECT_FALSE(TempDir::exists(dir / "r.doc.QZ4"));
    EXPECT_FALSE(TempDir::exists(dir / "r.doc.QZ5"));
    EXPECT_EQ(TempDir::read(dir / "r.doc.qz1"), std::vector<unsigned char>{1});
}

// Yes to replacing an older set removes it only once the new set is whole:
// a split that fails keeps the older set, and a source that is one of the
// older slices (f -> f.QZ2) is never removed.
TEST_F(SplitTest, AReSplitKeepsTheOlderSetUntilTheNewOneIsWhole) {
    const auto older = TempDir::pattern(400000, 3);
    TempDir::write(dir / "f", older);
    ASSERT_EQ(splitFile(dir / "f", "3"), Engine::Outcome::Completed);
    const Sizes olderSizes = sliceSizes(dir.path(), "f");
    TempDir::write(dir / "f", TempDir::pattern(300000, 4));
    host.answers = {MsgAnswer::Yes};
    Sys::failNth(Sys::Call::Pwrite, 3, ENOSPC);  // in the new slice 2
    ASSERT_EQ(splitFile(dir / "f", "2"), Engine::Outcome::Failed);
    Sys::clearFaults();
    EXPECT_EQ(sliceSizes(dir.path(), "f"), olderSizes);

    ASSERT_EQ(::unlink((dir / "f").c_str()), 0);
    ASSERT_EQ(::symlink("f.QZ2", (dir / "f").c_str()), 0);
    const auto slice2 = TempDir::read(dir / "f.QZ2");
    host.answers = {MsgAnswer::Yes};
    ASSERT_EQ(splitFile(dir / "f", "1"), Engine::Outcome::Failed);
    EXPECT_NE(engine.failureReason().find("the source is one of its own slice names"),
              std::string::npos) << engine.failureReason();
    EXPECT_TRUE(TempDir::read(dir / "f.QZ2") == slice2);
}

TEST_F(SplitTest, NeverWritesThroughALinkAtASliceName) {
    TempDir::write(dir / "r.doc", TempDir::pattern(200000));
    TempDir::write(dir / "victim", {42});
    ASSERT_EQ(::symlink((dir / "victim").c_str(), (dir / "r.doc.QZ2").c_str()), 0);
    host.answers = {MsgAnswer::Yes};
    ASSERT_EQ(splitFile(dir / "r.doc", "2"), Engine::Outcome::Completed);
    EXPECT_EQ(TempDir::read(dir / "victim"), std::vector<unsigned char>{42});
    EXPECT_EQ(TempDir::size(dir / "r.doc.QZ2"), 134465);
}

TEST_F(SplitTest, TwelveSlicesAndASaveLocationElsewhere) {
    TempDir other;
    const auto bytes = TempDir::pattern(1200000);
    TempDir::write(dir / "报告 final.tar.gz", bytes);
    host.text2 = "12";
    choose(dir / "报告 final.tar.gz");
    host.text3 = other.path();
    ASSERT_EQ(engine.Command5_Click(), Engine::Outcome::Completed);
    EXPECT_EQ(sliceSizes(other.path(), "报告 final.tar.gz").size(), 12u);
    EXPECT_FALSE(TempDir::exists(dir / "报告 final.tar.gz.QZ1"));

    choose(other / "报告 final.tar.gz.QZ1");
    host.option1_0 = false;
    host.check1 = true;
    ASSERT_EQ(engine.Command5_Click(), Engine::Outcome::Completed);
    EXPECT_TRUE(TempDir::read(other / "报告 final.tar.gz") == bytes);
    EXPECT_TRUE(sliceSizes(other.path(), "报告 final.tar.gz").empty());
}

TEST_F(SplitTest, InputsAreTakenWhenTheCommandStarts) {
    TempDir elsewhere;
    const auto bytes = TempDir::pattern(400000);
    TempDir::write(dir / "a.bin", bytes);
    TempDir::write(elsewhere / "b.bin", TempDir::pattern(400000, 5));
    host.onDoEvents = [&] {
        if (engine.iPos() > 0) {  // a drop arrives mid-way
            host.text1 = elsewhere / "b.bin";
            host.text3 = elsewhere.path();
            engine.adopt("b.bin");
        }
    };
    ASSERT_EQ(splitFile(dir / "a.bin", "2"), Engine::Outcome::Completed);
    EXPECT_EQ(sliceSizes(dir.path(), "a.bin"), (Sizes{196605, 203395}));
    EXPECT_FALSE(TempDir::exists(elsewhere / "b.bin.QZ1"));
    EXPECT_FALSE(TempDir::exists(elsewhere / "a.bin.QZ1"));
}

}  // namespace
}  // namespace qz

namespace qz {
namespace {

TEST(SliceCount, IsTheSmallestWhoseSlicesAllFit) {
    constexpr std::int64_t GiB = std::int64_t{1} << 30, fat32 = 4 * GiB - 1;
    EXPECT_EQ(SliceSizes::smallestCount(10 * GiB, fat32, 999), 3);
    EXPECT_EQ(SliceSizes::smallestCount(fat32, fat32, 999), 1);
    // Two slices of at most 4 GiB - 1 would do, but the boundary rule makes
    // the second one larger.
    EXPECT_EQ(SliceSizes::smallestCount(2 * fat32, fat32, 999), 3);
    EXPECT_EQ(SliceSizes::smallestCount(3 << 20, 1 << 20, 999), 4);
    EXPECT_EQ(SliceSizes::smallestCount(64 << 20, 64 << 10, 999), 0);
}

// Names a volume of 255-byte names cannot hold: a split refuses them before
// it writes anything; a set whose next name would be too long ends before it.
TEST_F(SplitTest, NamesLongerThanTheVolumeHolds) {
    const std::string fits(245, 'n'), tooLong(246, 'n');  // + ".QZ.sha256": 255, 256 bytes
    const auto bytes = TempDir::pattern(1000000);
    for (const std::string& name : {fits, tooLong}) TempDir::write(dir / name, bytes);
    ASSERT_EQ(splitFile(dir / fits, "9"), Engine::Outcome::Completed);
    ASSERT_EQ(splitFile(dir / tooLong, "9"), Engine::Outcome::Failed);
    EXPECT_NE(engine.failureReason().find("longer than the 255 this volume holds: "),
              std::string::npos) << engine.failureReason();
    EXPECT_EQ(sliceSizes(dir.path(), tooLong), Sizes{});

    // As an older split left it, without sums: slice 10's name has 256 bytes.
    const std::string older(251, 'o');
    for (long k = 1; k <= 9; ++k)
        ASSERT_EQ(::rename(SliceNames::slicePath(dir.path(), fits, k).c_str(),
                           SliceNames::slicePath(dir.path(), older, k).c_str()), 0);
    ASSERT_EQ(::unlink((dir / (fits + ".QZ.sha256")).c_str()), 0);
    ASSERT_EQ(mergeFrom(dir / (older + ".QZ1")), Engine::Outcome::Completed)
        << engine.failureReason();
    EXPECT_TRUE(TempDir::read(dir / older) == bytes);
}

}  // namespace
}  // namespace qz
