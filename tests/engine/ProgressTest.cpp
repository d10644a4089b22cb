// The chunk append and the progress bar and percentage it drives.

#include <unistd.h>

#include <algorithm>

#include "engine/run/OutputFile.h"
#include "engine/run/Worker.h"
#include "tests/engine/EngineFixture.h"

namespace qz {
namespace {

using ProgressTest = EngineTest;

TEST_F(ProgressTest, AppendsBuffersInOrderToOneNewFile) {
    const auto a = TempDir::pattern(65535, 1), b = TempDir::pattern(65535, 2),
               c = TempDir::pattern(10, 3);
    Worker worker;
    OutputFile target(dir / "target", "target", 0644, true, worker);
    for (const auto* buf : {&a, &b, &c}) target.file().append(buf->data(), buf->size());
    target.commit(false);
    auto all = a;
    all.insert(all.end(), b.begin(), b.end());
    all.insert(all.end(), c.begin(), c.end());
    EXPECT_EQ(TempDir::read(dir / "target"), all);
}

TEST_F(ProgressTest, FirstAppendShowsSixPercent) {
    engine.progress().setStepWidth(117.963);
    engine.progress().advance();
    EXPECT_NEAR(host.label6Width, 117.963, 0.001);
    EXPECT_EQ(host.label7, "6%");
}

TEST_F(ProgressTest, PercentageNeverShowsAboveHundred) {
    engine.progress().setStepWidth(1872);  // 104 % in one step
    engine.progress().advance();
    EXPECT_EQ(host.label7, "100%");
}

TEST_F(ProgressTest, TheWindowRepaintsOnceTheSourceIsOpenBeforeTheFirstChunk) {
    TempDir::write(dir / "src", TempDir::pattern(1000000));
    bool firstSawItOpen = false;
    host.onDoEvents = [&] {
        if (host.doEventsCalls == 1) firstSawItOpen = engine.inputOpen() && engine.iPos() == 0;
    };
    ASSERT_EQ(splitFile(dir / "src", "3"), Engine::Outcome::Completed);
    EXPECT_TRUE(firstSawItOpen);
    EXPECT_EQ(host.doEventsCalls, 1 + 15);  // then one after every full chunk
}

TEST_F(ProgressTest, SplitOfOneMillionBytesRunsTheBarOnce) {
    TempDir::write(dir / "src", TempDir::pattern(1000000));
    ASSERT_EQ(splitFile(dir / "src", "3"), Engine::Outcome::Completed);
    const auto& h = host.label7History;
    ASSERT_EQ(h.size(), 17u);  // 16 appends, then "完成"
    EXPECT_EQ(h[0], "6%");
    EXPECT_EQ(h[7], "52%");
    EXPECT_EQ(h[15], "100%");
    EXPECT_EQ(h[16], "完成");
    EXPECT_NEAR(engine.progress().StepWidth(), 1800.0 * 65535 / 1000000, 1e-9);
    EXPECT_EQ(host.label6Width, host.picture1InnerWidth);
    EXPECT_EQ(engine.progress().DoneWidth(), 0);
}

TEST_F(ProgressTest, PercentageFollowsTheWidthTheBarReportsBack) {
    host.roundToPixels = true;  // as a real window: whole pixels of 15 twips
    // A step of 37 twips: 2 % of the full width, but the bar shows 2 pixels,
    // 30 twips, which is 1 %.
    TempDir::write(dir / "src", TempDir::pattern(3188189));
    ASSERT_EQ(splitFile(dir / "src", "2"), Engine::Outcome::Completed);
    EXPECT_NEAR(engine.progress().StepWidth(), 37.0, 0.001);
    EXPECT_EQ(host.label7History[0], "1%");
}

TEST_F(ProgressTest, MergeRestartsTheBarForEverySlice) {
    TempDir::write(dir / "src", TempDir::pattern(300000));
    ASSERT_EQ(splitFile(dir / "src", "3"), Engine::Outcome::Completed);  // 1 + 2 + 2 chunks
    ASSERT_EQ(::unlink((dir / "src").c_str()), 0);
    host.label7History.clear();
    ASSERT_EQ(mergeFrom(dir / "src.QZ1"), Engine::Outcome::Completed);
    const auto& h = host.label7History;
    // 65 535 bytes: one append, at once 100 %; then 2 and 2 appends, each
    // slice after the first starting from a bar of 10 twips.
    ASSERT_EQ(h.size(), 6u);
    EXPECT_EQ(std::count(host.label6History.begin(), host.label6History.end(), 10.0f), 2);
    EXPECT_EQ(h[0], "100%");
    EXPECT_EQ(h[1], "50%");
    EXPECT_EQ(h[2], "100%");
    EXPECT_EQ(h[5], "100%");
    EXPECT_EQ(host.label6Width, host.picture1InnerWidth);
    EXPECT_EQ(engine.progress().DoneWidth(), 0);
}

}  // namespace
}  // namespace qz
