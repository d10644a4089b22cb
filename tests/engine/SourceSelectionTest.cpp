// Adopting a chosen file as the source, and the size caption.

#include "engine/FileError.h"
#include "engine/SliceNames.h"
#include "engine/SourceSelection.h"
#include "tests/engine/EngineFixture.h"

namespace qz {
namespace {

TEST(SizeCaption, CutsAfterTwoDecimals) {
    EXPECT_EQ(SourceSelection::sizeCaption(1572864), "1.5 MB");
    EXPECT_EQ(SourceSelection::sizeCaption(1576960), "1.50 MB");
    EXPECT_EQ(SourceSelection::sizeCaption(135266304), "129 MB");
    EXPECT_EQ(SourceSelection::sizeCaption(0), "0 MB");
    EXPECT_EQ(SourceSelection::sizeCaption(262144), "0.25 MB");
    EXPECT_EQ(SourceSelection::sizeCaption(700000), "0.66 MB");
    EXPECT_EQ(SourceSelection::sizeCaption(10), "0.00 MB");
    EXPECT_EQ(SourceSelection::sizeCaption(std::int64_t(1.999 * 1048576)), "1.99 MB");
    EXPECT_EQ(SourceSelection::sizeCaption(5LL * 1024 * 1024 * 1024 + 12345), "5120.01 MB");
}

using AdoptTest = EngineTest;

TEST_F(AdoptTest, FirstSliceIsAdoptedInItsDirectory) {
    TempDir::write(dir / "clip.mp4.QZ1", TempDir::pattern(262144));
    TempDir::write(dir / "clip.mp4.QZ2", {1});
    choose(dir / "clip.mp4.QZ1");
    EXPECT_EQ(engine.SrcName(), "clip.mp4.QZ1");
    EXPECT_EQ(host.text3, dir.path());
    EXPECT_EQ(host.label3, "0.25 MB");
}

TEST_F(AdoptTest, ShortNamesAreAdoptedMissingFilesFail) {
    TempDir::write(dir / "a.b", TempDir::pattern(10));
    choose(dir / "a.b");
    EXPECT_EQ(engine.SrcName(), "a.b");
    EXPECT_EQ(host.label3, "0.00 MB");

    host.label3 = "old";
    EXPECT_THROW(choose(dir / "missing.txt"), FileError);
    EXPECT_EQ(engine.SrcName(), "missing.txt");  // steps before the failure stay
    EXPECT_EQ(host.text3, dir.path());
    EXPECT_EQ(host.label3, "old");
    EXPECT_THROW(choose(dir.path().substr(0, dir.path().size() - 1)), FileError);
}

TEST_F(AdoptTest, ChineseNamesAreCutInCharacters) {
    struct Row {
        const char* name;
        const char* pattern;
    };
    const Row rows[] = {
        {"视频.mp4.QZ1", "视频.mp4"},
        {"ab.文件", "a"},
        {"视频片段", ""},
    };
    for (const Row& row : rows) {
        TempDir::write(dir / row.name, TempDir::pattern(10));
        choose(dir / row.name);
        EXPECT_EQ(engine.SrcName(), row.name);
        EXPECT_EQ(SliceNames::withoutLastFour(row.name), row.pattern) << row.name;
    }
}

}  // namespace
}  // namespace qz
