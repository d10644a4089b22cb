// Command lines the tool must refuse with status 2 before touching any file,
// and the help text.

#include "CliFixture.h"

class UsageErrors : public CliFixture,
                    public ::testing::WithParamInterface<std::vector<std::string>> {};

TEST_P(UsageErrors, ExitWith2AndTheUsageOnStderrAndTouchNothing) {
    const Bytes src = make("a.bin", 300000);
    make("a.bin.QZ1", 10);
    auto r = cli(GetParam());
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("用法 / Usage:"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(bytesOf("a.bin"), src);
    EXPECT_EQ(sizeOf("a.bin.QZ1"), 10);
    EXPECT_FALSE(has("a.bin.QZ2"));
    EXPECT_FALSE(has("a"));
}

using Args = std::vector<std::string>;
INSTANTIATE_TEST_SUITE_P(
    CliArguments, UsageErrors,
    ::testing::Values(
        Args{}, Args{"a.bin"}, Args{"cut", "a.bin", "2"},
        Args{"split"}, Args{"split", "a.bin"}, Args{"split", "a.bin", "2", "3"},
        Args{"split", "a.bin", "0"}, Args{"split", "a.bin", "000"},
        Args{"split", "a.bin", "1000"}, Args{"split", "a.bin", "3a"},
        Args{"split", "a.bin", "-2"}, Args{"split", "a.bin", "+2"},
        Args{"split", "a.bin", ""}, Args{"split", "a.bin", " 2"},
        Args{"split", "a.bin", "99999999999999999999"},
        Args{"split", "a.bin", "2", "--delete"},
        Args{"split", "a.bin", "2", "--yes", "--no"},
        Args{"split", "a.bin", "2", "--force"},
        Args{"split", "a.bin", "2", "--to"}, Args{"split", "a.bin", "2", "--to="},
        Args{"split", "a.bin", "2", "--to", "x", "--to", "y"},
        Args{"split", "", "2"},
        Args{"merge"}, Args{"merge", "a.bin.QZ1", "a.bin"},
        Args{"merge", "a.bin.QZ2"}, Args{"merge", "a.bin"}, Args{"merge", "d/.QZ1"},
        Args{"merge", "a.bin.QZ1", "--no", "--yes"}));

using Help = CliFixture;

TEST_F(Help, ShowsTheUsageInChineseAndEnglishWithStatus0) {
    for (const Args& args : {Args{"--help"}, Args{"-h"}, Args{"split", "--help"}}) {
        auto r = cli(args);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        for (const char* text : {"用法 / Usage:", "split SOURCE COUNT [--to DIR] [--yes | --no]",
                                 "merge FIRST_SLICE [--to DIR] [--delete] [--yes | --no]",
                                 "合并后删除原切片 / delete the slices after merging",
                                 "退出状态 / Exit status:"})
            EXPECT_NE(r.out.find(text), std::string::npos) << text;
    }
}
