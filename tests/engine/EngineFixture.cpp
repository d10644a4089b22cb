#include "tests/engine/EngineFixture.h"

#include "engine/set/SliceNames.h"
#include "engine/SourceSelection.h"

namespace qz {

void EngineTest::choose(const std::string& path) {
    host.text1 = path;
    SourceSelection::adopt(host, engine, path, SliceNames::bareName(path));
}

Engine::Outcome EngineTest::splitFile(const std::string& path, const std::string& count) {
    host.option1_0 = true;
    host.text2 = count;
    choose(path);
    return engine.Command5_Click();
}

Engine::Outcome EngineTest::mergeFrom(const std::string& firstSlice, bool deleteAfter) {
    host.option1_0 = false;
    host.check1 = deleteAfter;
    choose(firstSlice);
    return engine.Command5_Click();
}

std::vector<std::int64_t> EngineTest::sliceSizes(const std::string& dir,
                                                 const std::string& name) {
    std::vector<std::int64_t> sizes;
    for (long k = 1;; ++k) {
        std::int64_t s = TempDir::size(SliceNames::slicePath(dir, name, k));
        if (s < 0) return sizes;
        sizes.push_back(s);
    }
}

void EngineTest::expectIdleEmptied() const {
    EXPECT_EQ(host.caption, "QZ切片宝V1.3优化版");
    EXPECT_TRUE(host.frame1Enabled && host.command5Enabled);
    EXPECT_EQ(host.text1, "");
    EXPECT_EQ(host.text3, "");
    EXPECT_EQ(host.label3, "");
    EXPECT_FALSE(host.picture1Visible);
}

std::vector<std::string> EngineTest::texts() const {
    std::vector<std::string> out;
    for (const auto& m : host.shown) out.push_back(m.text);
    return out;
}

}  // namespace qz
