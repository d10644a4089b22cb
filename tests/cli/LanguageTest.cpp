// The tool speaks the user's language: Chinese under a zh_CN locale, the
// window's own texts word for word among them, and English under any other.

#include <cstdlib>
#include <filesystem>

#include "tests/cli/CliFixture.h"

namespace {

// One command and what it prints in each language: stdout whole, stderr's
// start (a system's reason may follow, in whatever words its catalogs have).
struct Said {
    std::vector<std::string> args;
    int status;
    std::string outZh, outEn, errZh, errEn;
};

}  // namespace

class Language : public CliFixture {
protected:
    void SetUp() override {
        if (!locales_.makeLocale("zh_CN"))
            GTEST_SKIP() << "cannot make the zh_CN locale here (localedef, locales)";
        splitNew("a.bin", 300000, 2);
        splitNew("s.bin", 300000, 3);
        std::filesystem::remove(at("s.bin.QZ3"));
    }
    void TearDown() override {
        for (const char* name : {"LANGUAGE", "LOCPATH"}) ::unsetenv(name);
        ::setenv("LC_ALL", "C.UTF-8", 1);
    }
    // Runs args under a zh_CN locale, or under C.UTF-8 when zh is false.
    CliProcess::Result run(const std::vector<std::string>& args, bool zh) const {
        if (zh) {
            EXPECT_EQ(::setenv("LANGUAGE", "zh_CN", 1) | ::setenv("LC_ALL", "zh_CN.UTF-8", 1) |
                          ::setenv("LOCPATH", locales_.path().c_str(), 1),
                      0);
        } else {
            EXPECT_EQ(::unsetenv("LANGUAGE") | ::setenv("LC_ALL", "C.UTF-8", 1), 0);
        }
        return cli(args);
    }

    qz::TempDir locales_;
};

TEST_F(Language, ChineseUnderZhCnEnglishOtherwise) {
    const std::string missing = at("s.bin.QZ3");
    const Said rows[] = {
        {{"split", "a.bin"}, 2, "", "",
         "qzslice-cli: split 需要 SOURCE 和 COUNT\n用 qzslice-cli --help 查看用法。\n",
         "qzslice-cli: split takes SOURCE and COUNT\n"
         "Try 'qzslice-cli --help' for more information.\n"},
        {{"split", "none.bin", "2"}, 1, "", "", "切片错误\n无法查看: " + at("none.bin") + ": ",
         "Slicing error\ncannot look at: " + at("none.bin") + ": "},
        {{"split", "a.bin", "--max-size", "200000", "--yes"}, 0, "2 个切片\n", "2 slices\n",
         "己存在该文件切片,是否代替原切片?\n操作完成!\n",
         "Slices of this file exist already; replace them?\nOperation completed!\n"},
        {{"check", "s.bin.QZ1"}, 1, "", "",
         "切片不完整\n少了切片：校验和文件列出 3 个切片，第 3 个不在: " + missing + "\n",
         "the set is not whole\na slice is missing: the sums file lists 3 slices, slice 3 is "
         "not there: " + missing + "\n"},
    };
    for (const Said& row : rows) {
        for (const bool zh : {true, false}) {
            const auto r = run(row.args, zh);
            EXPECT_EQ(r.status, row.status) << row.args[0] << " " << r.err;
            const std::string& err = zh ? row.errZh : row.errEn;
            EXPECT_EQ(r.err.substr(0, err.size()), err) << (zh ? "zh_CN" : "C");
            EXPECT_EQ(r.out, zh ? row.outZh : row.outEn);
        }
    }
}
