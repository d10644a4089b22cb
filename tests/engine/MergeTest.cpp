// Joining a set: numeric order, the overwrite question, deleting the slices,
// and checking the set before anything is touched.

#include <unistd.h>

#include "engine/run/RunReport.h"
#include "engine/run/SplitRun.h"
#include "engine/set/SliceNames.h"
#include "engine/set/SliceSizes.h"
#include "tests/engine/EngineFixture.h"

namespace qz {
namespace {

class MergeTest : public EngineTest {
protected:
    // Writes the n slices a split of a len-byte file called name makes, in
    // d, returning the bytes they join into.
    std::vector<unsigned char> makeSet(const std::string& d, const std::string& name,
                                       std::int64_t len, std::int64_t n) {
        const auto all = TempDir::pattern(len, 10);
        std::int64_t at = 0;
        long k = 1;
        for (std::int64_t size : SliceSizes::sizesFor(len, n)) {
            TempDir::write(SliceNames::slicePath(d, name, k++),
                           {all.begin() + at, all.begin() + at + size});
            at += size;
        }
        return all;
    }
};

// The window's merge mends a set from its recovery files, as the command
// line's does, and says no more than its own texts.
TEST_F(MergeTest, TheWindowsMergeRebuildsALostSliceFromTheRecoveryFiles) {
    struct Quiet : RunReport {
        bool confirm(Question) override { return true; }
        void pump() override {}
        void copying() override {}
        void startInput(std::size_t, std::size_t, std::int64_t) override {}
        void chunkAppended() override {}
        void inputDone() override {}
        void written() override {}
    } quiet;
    const auto bytes = TempDir::pattern(700000, 3);
    TempDir::write(dir / "r.doc", bytes);
    ASSERT_EQ(SplitRun({dir / "r.doc", dir.path(), "r.doc", 4, 0, -1, 1}, quiet, {}).run(),
              RunEnding::Kind::Completed);
    ASSERT_EQ(::unlink((dir / "r.doc").c_str()), 0);
    ASSERT_EQ(::unlink((dir / "r.doc.QZ3").c_str()), 0);
    ASSERT_EQ(mergeFrom(dir / "r.doc.QZ1"), Engine::Outcome::Completed) << engine.failureReason();
    EXPECT_TRUE(TempDir::read(dir / "r.doc") == bytes);
    EXPECT_EQ(texts(), std::vector<std::string>{"操作完成!"});
}

TEST_F(MergeTest, JoinsWhatWasSplitAndDeletesTheSlices) {
    const auto bytes = TempDir::pattern(1000000);
    TempDir::write(dir / "report.doc", bytes);
    ASSERT_EQ(splitFile(dir / "report.doc", "3"), Engine::Outcome::Completed);
    ASSERT_EQ(::unlink((dir / "report.doc").c_str()), 0);
    host.shown.clear();
    ASSERT_EQ(mergeFrom(dir / "report.doc.QZ1", true), Engine::Outcome::Completed);
    EXPECT_TRUE(TempDir::read(dir / "report.doc") == bytes);
    EXPECT_TRUE(sliceSizes(dir.path(), "report.doc").empty());
    EXPECT_EQ(texts(), std::vector<std::string>{"操作完成!"});
    expectIdleEmptied();
    EXPECT_EQ(engine.iPos(), 0);
}

TEST_F(MergeTest, WithoutTheTickTheSlicesStay) {
    const auto all = makeSet(dir.path(), "r", 140000, 2);
    ASSERT_EQ(mergeFrom(dir / "r.QZ1"), Engine::Outcome::Completed);
    EXPECT_TRUE(TempDir::read(dir / "r") == all);
    EXPECT_EQ(sliceSizes(dir.path(), "r").size(), 2u);
}

TEST_F(MergeTest, OutputGoesToTheSaveLocationAndTheSlicesAreDeletedWhereTheyAre) {
    TempDir out;
    const auto all = makeSet(dir.path(), "r.doc", 300000, 3);
    host.option1_0 = false;
    host.check1 = true;
    choose(dir / "r.doc.QZ1");
    host.text3 = out.path();
    ASSERT_EQ(engine.Command5_Click(), Engine::Outcome::Completed);
    EXPECT_TRUE(TempDir::read(out / "r.doc") == all);
    EXPECT_FALSE(TempDir::exists(dir / "r.doc"));
    EXPECT_TRUE(sliceSizes(dir.path(), "r.doc").empty());
}

TEST_F(MergeTest, TwelveSlicesJoinInNumericOrder) {
    const auto all = makeSet(dir.path(), "r.doc", 1200000, 12);
    ASSERT_EQ(mergeFrom(dir / "r.doc.QZ1"), Engine::Outcome::Completed);
    EXPECT_TRUE(TempDir::read(dir / "r.doc") == all);
}

TEST_F(MergeTest, FirstSliceAloneAndChunkEdges) {
    for (std::int64_t len : {1, 65535, 65536, 131071}) {
        const auto all = makeSet(dir.path(), "one", len, 1);
        ::unlink((dir / "one").c_str());
        ASSERT_EQ(mergeFrom(dir / "one.QZ1"), Engine::Outcome::Completed) << len;
        EXPECT_TRUE(TempDir::read(dir / "one") == all) << len;
    }
}

TEST_F(MergeTest, OverwriteYesReplacesNoLeavesEverything) {
    const auto all = makeSet(dir.path(), "r", 140000, 2);
    TempDir::write(dir / "r", TempDir::pattern(300000, 77));

    host.answers = {MsgAnswer::No};
    ASSERT_EQ(mergeFrom(dir / "r.QZ1", true), Engine::Outcome::Declined);
    ASSERT_EQ(host.shown.size(), 1u);
    EXPECT_EQ(host.shown[0].text, "文件己经存在，是否覆盖原文件？");
    EXPECT_EQ(host.shown[0].title, "提示");
    EXPECT_EQ(host.shown[0].style, MsgQuestion);
    EXPECT_EQ(TempDir::size(dir / "r"), 300000);
    EXPECT_EQ(sliceSizes(dir.path(), "r").size(), 2u);
    expectIdleEmptied();
    EXPECT_EQ(host.label7History.size(), 0u);  // the bar never ran

    host.shown.clear();
    host.answers = {MsgAnswer::Yes};
    ASSERT_EQ(mergeFrom(dir / "r.QZ1"), Engine::Outcome::Completed);
    EXPECT_TRUE(TempDir::read(dir / "r") == all);
}

TEST_F(MergeTest, AsksAboutAnythingAtTheOutputsNameAndReplacesItWhole) {
    const auto all = makeSet(dir.path(), "r", 140000, 2);
    ASSERT_EQ(::symlink((dir / "nowhere").c_str(), (dir / "r").c_str()), 0);
    ASSERT_EQ(mergeFrom(dir / "r.QZ1"), Engine::Outcome::Declined);
    EXPECT_EQ(texts(), std::vector<std::string>{"文件己经存在，是否覆盖原文件？"});
    EXPECT_TRUE(TempDir::exists(dir / "r"));

    host.answers = {MsgAnswer::Yes};
    ASSERT_EQ(mergeFrom(dir / "r.QZ1"), Engine::Outcome::Completed);
    EXPECT_TRUE(TempDir::read(dir / "r") == all);
    EXPECT_FALSE(TempDir::exists(dir / "nowhere"));  // the link was replaced, not followed

    // A directory cannot be replaced by a file: not even asked.
    ASSERT_EQ(::unlink((dir / "r").c_str()), 0);
    ASSERT_EQ(::mkdir((dir / "r").c_str(), 0755), 0);
    host.shown.clear();
    ASSERT_EQ(mergeFrom(dir / "r.QZ1", true), Engine::Outcome::Failed);
    EXPECT_EQ(texts(), std::vector<std::string>{"切片错误"});
    EXPECT_EQ(sliceSizes(dir.path(), "r").size(), 2u);
}

// Names in another case too, on a volume that keeps case apart: there they
// are another set's, and no ambiguity.
TEST_F(MergeTest, StrayNamesNeitherCountNorGetDeleted) {
    const auto all = makeSet(dir.path(), "r.doc", 300000, 3);
    for (const char* stray :
         {"r.doc.QZ1.bak", "r.doc.QZx", "r.doc.QZ04", ".r.doc.QZ4", "R.doc.QZ2", "r.DOC.qz4"})
        TempDir::write(dir / stray, {7});
    ASSERT_EQ(mergeFrom(dir / "r.doc.QZ1", true), Engine::Outcome::Completed);
    EXPECT_TRUE(TempDir::read(dir / "r.doc") == all);
    for (const char* stray :
         {"r.doc.QZ1.bak", "r.doc.QZx", "r.doc.QZ04", ".r.doc.QZ4", "R.doc.QZ2", "r.DOC.qz4"})
        EXPECT_TRUE(TempDir::exists(dir / stray)) << stray;
    EXPECT_TRUE(sliceSizes(dir.path(), "r.doc").empty());
}

TEST_F(MergeTest, SetWithAGapTouchesNothing) {
    makeSet(dir.path(), "r.doc", 300000, 3);
    ASSERT_EQ(::unlink((dir / "r.doc.QZ2").c_str()), 0);
    TempDir::write(dir / "r.doc", {9});  // not even the question is asked
    ASSERT_EQ(mergeFrom(dir / "r.doc.QZ1", true), Engine::Outcome::Failed);
    EXPECT_EQ(texts(), std::vector<std::string>{"切片错误"});
    EXPECT_EQ(host.shown[0].title, "出错");
    EXPECT_EQ(TempDir::read(dir / "r.doc"), std::vector<unsigned char>{9});
    EXPECT_TRUE(TempDir::exists(dir / "r.doc.QZ1"));
    EXPECT_TRUE(TempDir::exists(dir / "r.doc.QZ3"));
    EXPECT_EQ(host.caption, "QZ切片宝V1.3优化版");
    EXPECT_EQ(host.text1, dir / "r.doc.QZ1");
    EXPECT_EQ(host.text3, dir.path());
    EXPECT_NE(host.label3, "");
    EXPECT_FALSE(host.picture1Visible);
}

TEST_F(MergeTest, EmptySliceOrNoExtensionEndOnTheErrorPathBeforeAnythingIsTouched) {
    makeSet(dir.path(), "e", 70000, 1);
    TempDir::write(dir / "e.QZ2", {});
    TempDir::write(dir / "e", {9});  // would be asked about, then replaced
    host.answers = {MsgAnswer::Yes};
    EXPECT_EQ(mergeFrom(dir / "e.QZ1", true), Engine::Outcome::Failed);
    EXPECT_EQ(TempDir::read(dir / "e"), std::vector<unsigned char>{9});
    EXPECT_EQ(TempDir::size(dir / "e.QZ1"), 70000);
    EXPECT_TRUE(host.label7History.empty());  // not one chunk was copied

    TempDir::write(dir / "README", TempDir::pattern(70000));
    EXPECT_EQ(mergeFrom(dir / "README"), Engine::Outcome::Failed);
    EXPECT_EQ(texts(), (std::vector<std::string>{"切片错误", "切片错误"}));
    EXPECT_TRUE(host.label7History.empty());
}

TEST_F(MergeTest, NeverWritesOverOneOfItsOwnSlices) {
    makeSet(dir.path(), "r", 140000, 2);
    ASSERT_EQ(::link((dir / "r.QZ1").c_str(), (dir / "r").c_str()), 0);
    host.answers = {MsgAnswer::Yes};
    EXPECT_EQ(mergeFrom(dir / "r.QZ1"), Engine::Outcome::Failed);
    EXPECT_EQ(TempDir::size(dir / "r.QZ1"), 65535);
    EXPECT_EQ(TempDir::size(dir / "r"), 65535);
}

}  // namespace
}  // namespace qz
