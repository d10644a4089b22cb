// The tool at a terminal: progress redrawn in place on stderr, with the
// run's pace once it is long, and questions asked there when no --yes or
// --no answers them.

#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <thread>

#include "tests/cli/CliFixture.h"

namespace {

// The progress texts drawn, in order: each is "\r" TEXT "\x1b[K".
std::vector<std::string> progressTexts(const std::string& shown) {
    std::vector<std::string> texts;
    static const std::regex drawn("\r([^\r\x1b]*)\x1b\\[K");
    for (std::sregex_iterator it(shown.begin(), shown.end(), drawn), end; it != end; ++it)
        texts.push_back((*it)[1]);
    return texts;
}

}  // namespace

// Runs only where a pseudo-terminal can be had.
class OnTerminal : public CliFixture {
protected:
    void SetUp() override {
        if (!CliProcess::ptyAvailable()) GTEST_SKIP() << "no pseudo-terminals here (/dev/pts)";
    }
};

using Progress = OnTerminal;

TEST_F(Progress, SplitRedrawsThePercentageOnlyWhenItChanges) {
    make("a.bin", 1000000);
    auto r = CliProcess::runOnPty({"split", "a.bin", "3"}, at(""));
    EXPECT_EQ(r.status, 0);
    const auto texts = progressTexts(r.out);
    ASSERT_GE(texts.size(), 3u) << r.out;
    EXPECT_EQ(texts.front(), "6%");
    EXPECT_NE(std::find(texts.begin(), texts.end(), "52%"), texts.end());
    EXPECT_EQ(texts[texts.size() - 2], "100%");
    EXPECT_EQ(texts.back(), "完成");
    EXPECT_EQ(std::adjacent_find(texts.begin(), texts.end()), texts.end());
    // The line ends before the completion message, which has its own.
    EXPECT_TRUE(r.out.ends_with("完成\x1b[K\r\nOperation completed!\r\n")) << r.out;
}

TEST_F(Progress, MergeRestartsForEverySliceAndEndsItsLine) {
    splitNew("a.bin", 1000000, 3);
    auto r = CliProcess::runOnPty({"merge", "a.bin.QZ1", "--yes"}, at(""));
    EXPECT_EQ(r.status, 0);
    const auto texts = progressTexts(r.out);
    // Each text names the slice being joined, in order, before its percentage.
    for (const char* full : {"1/3 100%", "2/3 100%", "3/3 100%"})
        EXPECT_EQ(std::count(texts.begin(), texts.end(), full), 1) << full;
    static const std::regex joining("[123]/3 [0-9]+%");
    for (std::size_t k = 0; k < texts.size(); ++k) {
        EXPECT_TRUE(std::regex_match(texts[k], joining)) << texts[k];
        if (k > 0) {
            EXPECT_LE(texts[k - 1][0], texts[k][0]) << texts[k];
        }
    }
    EXPECT_EQ(std::adjacent_find(texts.begin(), texts.end()), texts.end());
    EXPECT_TRUE(r.out.ends_with("3/3 100%\x1b[K\r\nOperation completed!\r\n")) << r.out;
}

// Held still for a second and a half just after its start, as a slow disk
// would, the run shows its speed and time left beside the percentage from
// then on; in its first second it had none to show.
TEST_F(Progress, ALongRunShowsItsSpeedAndTimeLeft) {
    make("a.bin", 64 << 20);
    auto r = CliProcess::runOnPty({"split", "a.bin", "3"}, at(""), "\r1%",
                                  [](pid_t pid, int) {
                                      ::kill(pid, SIGSTOP);
                                      std::this_thread::sleep_for(std::chrono::milliseconds(1500));
                                      ::kill(pid, SIGCONT);
                                  });
    EXPECT_EQ(r.status, 0) << r.out;
    const auto texts = progressTexts(r.out);
    ASSERT_GE(texts.size(), 3u) << r.out;
    EXPECT_EQ(texts.front(), "0%");
    static const std::regex paced("[0-9]+%  [0-9.]+ (B|KiB|MiB|GiB)/s, [0-9]+:[0-9][0-9] left");
    const auto firstPaced = std::find_if(texts.begin(), texts.end(), [](const std::string& t) {
        return std::regex_match(t, paced);
    });
    ASSERT_NE(firstPaced, texts.end()) << r.out;
    // Once shown, it stays beside every percentage up to the end.
    EXPECT_TRUE(std::all_of(firstPaced, texts.end() - 1, [](const std::string& t) {
        return std::regex_match(t, paced);
    })) << r.out;
    EXPECT_EQ(texts.back(), "完成");
}

TEST_F(Progress, NoneOnATerminalThatCannotRedrawALine) {
    splitNew("a.bin", 1000000, 3);
    const char* const term = std::getenv("TERM");
    const std::string saved = term ? term : "";
    for (const char* value : {"dumb", ""}) {
        if (*value)
            ::setenv("TERM", value, 1);
        else
            ::unsetenv("TERM");
        std::remove(at("a.bin").c_str());
        auto r = CliProcess::runOnPty({"merge", "a.bin.QZ1"}, at(""));
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, "Operation completed!\r\n") << value;
    }
    if (term)
        ::setenv("TERM", saved.c_str(), 1);
    else
        ::unsetenv("TERM");
}

TEST_F(Progress, NoneWithoutATerminal) {
    splitNew("a.bin", 1000000, 3);
    auto r = cli({"merge", "a.bin.QZ1", "--yes"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err.find_first_of("\r%\x1b"), std::string::npos) << r.err;
}

struct Reply {
    const char* typed;
    int status;
};

class TerminalQuestion : public OnTerminal, public ::testing::WithParamInterface<Reply> {};

TEST_P(TerminalQuestion, IsAnsweredByTheLineTyped) {
    splitNew("a.bin", 1000000, 7);
    const std::string prompt = std::string(kReplace) + " [y/N] ";
    auto r = CliProcess::runOnPty({"split", "a.bin", "3"}, at(""), prompt,
                                  std::string(GetParam().typed) + "\n");
    EXPECT_EQ(r.status, GetParam().status) << r.out;
    EXPECT_NE(r.out.find(prompt), std::string::npos) << r.out;
    EXPECT_EQ(has("a.bin.QZ7"), GetParam().status != 0);
}

INSTANTIATE_TEST_SUITE_P(CliAnswers, TerminalQuestion,
                         ::testing::Values(Reply{"y", 0}, Reply{"Y", 0}, Reply{"是", 0},
                                           Reply{"n", 3}, Reply{"", 3}, Reply{"yeah", 3}));
