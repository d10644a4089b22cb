// A running qzslice-cli stopped by a signal, sent at a known point of its
// work (the percentage it shows on its terminal): it removes what the run
// wrote and exits with 128 + the signal's number; killed outright, it leaves
// nothing that counts as a slice, and the next run clears what it left.

#include <signal.h>
#include <unistd.h>

#include <filesystem>

#include "tests/cli/CliFixture.h"

namespace {

namespace fs = std::filesystem;

// Every name in d but the given ones.
std::vector<std::string> othersIn(const std::string& d, std::vector<std::string> known) {
    std::vector<std::string> others;
    for (const auto& e : fs::directory_iterator(d)) {
        const std::string n = e.path().filename().string();
        if (std::find(known.begin(), known.end(), n) == known.end()) others.push_back(n);
    }
    return others;
}

class Interrupt : public CliFixture, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override {
        if (!CliProcess::ptyAvailable()) GTEST_SKIP() << "no pseudo-terminals here (/dev/pts)";
    }
    // A source large enough that a signal sent at a few percent lands long
    // before the end; sparse, so that it costs nothing to make.
    void makeLarge(const std::string& name) {
        TempDir::write(at(name), {});
        fs::resize_file(at(name), 64 << 20);
    }
    using TempDir = qz::TempDir;
};

TEST_P(Interrupt, SplitRemovesWhatItWroteAndDiesByTheSignal) {
    makeLarge("big");
    const int signal = GetParam();
    auto r = CliProcess::runOnPty({"split", "big", "3"}, at(""), "\r5%",
                                  [signal](pid_t pid, int) { ::kill(pid, signal); });
    EXPECT_EQ(r.signal, signal) << r.out;  // so a shell's loop stops too
    EXPECT_NE(r.out.find("Slicing error"), std::string::npos) << r.out;
    EXPECT_EQ(othersIn(at(""), {"big"}), std::vector<std::string>{});
    EXPECT_EQ(sizeOf("big"), 64 << 20);
}

// Started under nohup, the signal is not heard: the run goes on to the end.
TEST_P(Interrupt, ASignalIgnoredAtStartStaysIgnored) {
    makeLarge("big");
    const int signal = GetParam();
    CliProcess::ignoreInChildren(signal);
    auto r = CliProcess::runOnPty({"split", "big", "3"}, at(""), "\r5%",
                                  [signal](pid_t pid, int) { ::kill(pid, signal); });
    CliProcess::ignoreInChildren(0);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(sizeOf("big.QZ3"), 22413994);
}

INSTANTIATE_TEST_SUITE_P(Signals, Interrupt, ::testing::Values(SIGINT, SIGTERM, SIGHUP));

using Interrupted = Interrupt;

TEST_F(Interrupted, MergeKeepsTheSlicesAndTheOutputItWouldReplace) {
    makeLarge("big");
    ASSERT_EQ(cli({"split", "big", "3"}).status, 0);
    const Bytes older = make("big", 1000, 7);
    auto r = CliProcess::runOnPty({"merge", "big.QZ1", "--yes", "--delete"}, at(""), "\r1/3 50%",
                                  [](pid_t pid, int) { ::kill(pid, SIGINT); });
    EXPECT_EQ(r.status, 128 + SIGINT) << r.out;
    EXPECT_EQ(bytesOf("big"), older);
    EXPECT_EQ(othersIn(at(""), {"big", "big.QZ1", "big.QZ2", "big.QZ3", "big.QZ.sha256"}),
              std::vector<std::string>{});
}

TEST_F(Interrupted, AtTheQuestionNothingIsTouched) {
    splitNew("a.bin", 300000, 3);
    const Bytes first = bytesOf("a.bin.QZ1");
    auto r = CliProcess::runOnPty({"split", "a.bin", "2"}, at(""), "[y/N] ",
                                  [](pid_t pid, int) { ::kill(pid, SIGINT); });
    EXPECT_EQ(r.status, 128 + SIGINT) << r.out;
    EXPECT_EQ(bytesOf("a.bin.QZ1"), first);
    EXPECT_TRUE(has("a.bin.QZ3"));
}

TEST_F(Interrupted, KilledOutrightItLeavesNoSliceAndTheNextSplitIsClean) {
    makeLarge("big");
    std::vector<std::string> leftAtTheKill;
    // At 70 % slices 1 and 2 are whole, waiting for their names.
    auto r = CliProcess::runOnPty({"split", "big", "3"}, at(""), "\r70%", [&](pid_t pid, int) {
        ::kill(pid, SIGSTOP);
        leftAtTheKill = othersIn(at(""), {"big"});
        ::kill(pid, SIGKILL);
    });
    ASSERT_EQ(r.status, 128 + SIGKILL);
    ASSERT_FALSE(leftAtTheKill.empty());  // the kill came mid-way, with temporaries
    for (const std::string& name : othersIn(at(""), {"big"}))
        EXPECT_EQ(name.find(".big.qz"), 0u) << name;  // hidden: a temporary, the run's lock

    auto next = cli({"split", "big", "3"});  // no terminal: a question would be a No
    EXPECT_EQ(next.status, 0) << next.err;
    EXPECT_EQ(next.err, kDone);
    EXPECT_EQ(othersIn(at(""), {"big", "big.QZ1", "big.QZ2", "big.QZ3", "big.QZ.sha256"}),
              std::vector<std::string>{});
}

}  // namespace
