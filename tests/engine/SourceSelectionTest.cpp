// Adopting a chosen file as the source, and the size caption.

#include <clocale>
#include <cstdlib>

#include "engine/io/FileError.h"
#include "engine/set/SliceNames.h"
#include "engine/SourceSelection.h"
#include "tests/engine/EngineFixture.h"

namespace qz {
namespace {

// A locale whose decimal point is ",", made for the test: nothing of the
// system's is needed but glibc's locale sources. Empty when none can be made.
std::string commaLocale(const TempDir& where) {
    if (!where.makeLocale("de_DE") || ::setenv("LOCPATH", where.path().c_str(), 1) != 0)
        return "";
    return "de_DE.UTF-8";
}

TEST(SizeCaption, CutsAfterTwoDecimalsWithAPointInEveryLocale) {
    TempDir locales;
    const std::string comma = commaLocale(locales);
    if (comma.empty() || !std::setlocale(LC_NUMERIC, comma.c_str()))
        GTEST_SKIP() << "cannot make a locale with a decimal comma here (localedef, locales)";
    EXPECT_EQ(SourceSelection::sizeCaption(1353000), "1.29 MB");
    EXPECT_EQ(SourceSelection::sizeCaption(1572864), "1.5 MB");
    EXPECT_EQ(SourceSelection::sizeCaption(1576960), "1.50 MB");
    EXPECT_EQ(SourceSelection::sizeCaption(135266304), "129 MB");
    EXPECT_EQ(SourceSelection::sizeCaption(0), "0 MB");
    EXPECT_EQ(SourceSelection::sizeCaption(262144), "0.25 MB");
    EXPECT_EQ(SourceSelection::sizeCaption(700000), "0.66 MB");
    EXPECT_EQ(SourceSelection::sizeCaption(10), "0.00 MB");
    EXPECT_EQ(SourceSelection::sizeCaption(std::int64_t(1.999 * 1048576)), "1.99 MB");
    EXPECT_EQ(SourceSelection::sizeCaption(5LL * 1024 * 1024 * 1024 + 12345), "5120.01 MB");
    std::setlocale(LC_NUMERIC, "C");
    ::unsetenv("LOCPATH");
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
