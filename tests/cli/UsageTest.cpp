// Command lines the tool must refuse with status 2 before touching any file,
// and the help text.

#include <algorithm>

#include "cli/CommandLine.h"
#include "cli/UsageError.h"
#include "tests/cli/CliFixture.h"

class UsageErrors : public CliFixture,
                    public ::testing::WithParamInterface<std::vector<std::string>> {};

TEST_P(UsageErrors, ExitWith2AndAShortHintOnStderrAndTouchNothing) {
    const Bytes src = make("a.bin", 300000);
    make("a.bin.QZ1", 10);
    auto r = cli(GetParam());
    EXPECT_EQ(r.status, 2);
    // The name, what is wrong, where to read more: no more than that.
    EXPECT_EQ(r.err.rfind("qzslice-cli: ", 0), 0u) << r.err;
    EXPECT_LE(std::count(r.err.begin(), r.err.end(), '\n'), 3) << r.err;
    EXPECT_TRUE(r.err.ends_with("Try 'qzslice-cli --help' for more information.\n")) << r.err;
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
        Args{"split", "a.bin", "2", "--max-size", "1M"}, Args{"split", "a.bin", "--max-size"},
        Args{"split", "a.bin", "--max-size", "0"}, Args{"split", "a.bin", "--max-size=1X"},
        Args{"split", "a.bin", "--max-size", "1M", "--max-size", "2M"},
        Args{"merge", "a.bin.QZ1", "--max-size", "1M"}, Args{"split", "a.bin", "--max-size", "DVD"},
        Args{"split", "a.bin", "--max-size", "mail:"}, Args{"split", "a.bin", "--max-size", "mail:4K"},
        Args{"split", "a.bin", "--max-size", "mail:mail:1M"}, Args{"check"},
        Args{"check", "a.bin"}, Args{"check", "a.bin.QZ1", "--yes"},
        Args{"check", "a.bin.QZ1", "--delete"},
        Args{"merge", "a.bin.QZ1", "--no", "--yes"},
        Args{"split", "-", "2"}, Args{"split", "a.bin", "2", "--name", "b"},
        Args{"split", "-", "2", "--name", "d/b"}, Args{"merge", "a.bin.QZ1", "--name", "b"},
        Args{"merge", "a.bin.QZ1", "--stdout", "--delete"},
        Args{"merge", "a.bin.QZ1", "--stdout", "--to", "x"},
        Args{"split", "a.bin", "2", "--stdout"}));

using Help = CliFixture;

TEST_F(Help, ShowsTheUsageWithStatus0) {
    for (const Args& args : {Args{"--help"}, Args{"-h"}, Args{"split", "--help"}}) {
        auto r = cli(args);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        for (const char* text :
             {"Usage:", "split SOURCE COUNT [--to DIR] [--recovery K] [--yes | --no] [-q]",
              "split SOURCE --max-size SIZE [--to DIR] [--yes | --no] [-q]",
              "merge FIRST_SLICE [--to DIR] [--delete] [--yes | --no] [-q]",
              "check FIRST_SLICE [-q]", "--delete         delete the slices after merging",
              "--max-size fat32", "Exit status:"})
            EXPECT_NE(r.out.find(text), std::string::npos) << text;
    }
}

TEST_F(Help, VersionIsOneLineOnStdout) {
    for (const Args& args : {Args{"--version"}, Args{"-V"}, Args{"merge", "-V"}}) {
        auto r = cli(args);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, std::string("qzslice-cli ") + QZSLICE_VERSION + "\n");
        EXPECT_EQ(r.err, "");
    }
}

TEST(Sizes, TakeSuffixesInPowersOf1024AndTheFat32Word) {
    using qzcli::CommandLine;
    EXPECT_EQ(CommandLine::parseSize("65536"), 65536);
    EXPECT_EQ(CommandLine::parseSize("64K"), 65536);
    EXPECT_EQ(CommandLine::parseSize("20m"), 20 << 20);
    EXPECT_EQ(CommandLine::parseSize("4G"), std::int64_t{4} << 30);
    EXPECT_EQ(CommandLine::parseSize("2T"), std::int64_t{2} << 40);
    EXPECT_EQ(CommandLine::parseSize("fat32"), (std::int64_t{4} << 30) - 1);
    for (const char* bad : {"", "0", "0K", "K", "1.5G", "1KB", "-1", "4G-1", " 1", "FAT32",
                            "8388608T", "99999999999999999999"})
        EXPECT_THROW(CommandLine::parseSize(bad), qzcli::UsageError) << bad;
}
