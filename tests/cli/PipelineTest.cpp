// qzslice-cli in a pipeline: a split of standard input makes the very set a
// split of the same bytes as a file makes, and leaves nothing else behind,
// also when a signal ends it while it waits for input; a merge to standard
// output sends no byte of a slice before that slice is held to its sums.

#include <csignal>
#include <filesystem>

#include "tests/cli/CliFixture.h"

namespace {

namespace fs = std::filesystem;

using Pipeline = CliFixture;

TEST_F(Pipeline, StandardInputIsSplitAsTheSameFileWouldBe) {
    const std::string tool = std::string("'") + QZSLICE_CLI + "'";
    for (const char* how : {"3", "--max-size 300K"}) {
        make("src", 1000000, 7);
        mkdir("file");
        mkdir("pipe");
        ASSERT_EQ(shell(tool + " split src " + how + " --to file -q"), 0) << how;
        ASSERT_EQ(shell("cat src | " + tool + " split - --name src " + how + " --to pipe -q"), 0)
            << how;
        EXPECT_EQ(entriesIn("pipe"), entriesIn("file")) << how;
        for (const auto& name : entriesIn("file"))
            EXPECT_EQ(bytesOf("pipe/" + name), bytesOf("file/" + name)) << name;
        fs::remove_all(at("file"));
        fs::remove_all(at("pipe"));
    }
}

TEST_F(Pipeline, ASignalWhileWaitingForInputLeavesNothing) {
    mkdir("out");
    // The input stalls after a megabyte; the signal comes while the tool
    // waits, and ends it then, not when the input ends (SIGTERM: a shell
    // starts a job in the background with SIGINT ignored).
    const int status = shell(
        std::string("(head -c 1048576 /dev/zero; sleep 3) | sh -c 'echo $$ > pid; exec \"$0\" "
                    "split - --name z 2 --to out' '") +
        QZSLICE_CLI +
        "' & sleep 1; kill -TERM $(cat pid); sleep 1; kill -0 $(cat pid) 2> /dev/null && exit 99;"
        " wait $!");
    EXPECT_EQ(status, 128 + SIGTERM);
    EXPECT_TRUE(entriesIn("out").empty());
}

TEST_F(Pipeline, MergeToStandardOutputSendsOnlyCheckedSlices) {
    const Bytes src = splitNew("f", 600000, 3);
    const std::string tool = std::string("'") + QZSLICE_CLI + "'";
    ASSERT_EQ(shell(tool + " merge f.QZ1 --stdout > joined"), 0);
    EXPECT_EQ(bytesOf("joined"), src);
    // Slice 2 damaged, its size kept: slice 1 goes out, nothing of slice 2.
    const std::int64_t first = sizeOf("f.QZ1");
    ASSERT_EQ(shell("printf 'X' | dd of=f.QZ2 bs=1 seek=100 conv=notrunc 2> /dev/null"), 0);
    EXPECT_EQ(shell(tool + " merge f.QZ1 --stdout > joined 2> err"), 1);
    EXPECT_EQ(bytesOf("joined"), Bytes(src.begin(), src.begin() + first));
    const Bytes err = bytesOf("err");
    EXPECT_NE(std::string(err.begin(), err.end()).find("f.QZ2"), std::string::npos);
    EXPECT_TRUE(has("f.QZ2"));
}

}  // namespace
