// qzslice-cli as scripts use it: quiet on success, an outcome no broken
// stderr can change, splitting by the largest slice allowed, and checking a
// set without touching it.

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>

#include "tests/cli/CliFixture.h"

namespace {

namespace fs = std::filesystem;

// Every name in the directory with its size.
std::map<std::string, std::int64_t> snapshot(const std::string& d) {
    std::map<std::string, std::int64_t> all;
    for (const auto& e : fs::directory_iterator(d))
        all[e.path().filename().string()] = std::int64_t(e.file_size());
    return all;
}

using Scripts = CliFixture;

TEST_F(Scripts, QuietSaysNothingOnSuccessAndAllElseAsBefore) {
    make("a.bin", 300000);
    auto done = cli({"split", "a.bin", "3", "-q"});
    EXPECT_EQ(done.status, 0);
    EXPECT_EQ(done.out + done.err, "");
    auto asked = cli({"split", "a.bin", "3", "--quiet"});
    EXPECT_EQ(asked.status, 3);
    EXPECT_EQ(asked.err, std::string(kReplace) + "\n" + kTakenAsNo);
    auto answered = cli({"split", "a.bin", "3", "-q", "--yes"});
    EXPECT_EQ(answered.status, 0);
    EXPECT_EQ(answered.out + answered.err, "");  // the question was answered already
    // --yes answers questions, and silences nothing else.
    make("empty", 0);
    for (const char* yes : {"--no", "--yes"}) {
        auto failed = cli({"split", "empty", "2", "-q", yes});
        EXPECT_EQ(failed.status, 1);
        EXPECT_EQ(failed.err.rfind(kError, 0), 0u) << failed.err;
        auto refused = cli({"split", "a.bin", "10", "-q", yes});
        EXPECT_EQ(refused.status, 3);
        EXPECT_EQ(refused.err, std::string(kTooSmall)) << yes;
    }
}

TEST_F(Scripts, ABrokenStderrChangesNothingOfTheOutcome) {
    const Bytes src = make("a.bin", 300000);
    using Stderr = CliProcess::Stderr;
    EXPECT_EQ(CliProcess::runBroken({"split", "a.bin", "3"}, at(""), Stderr::ReaderGone), 0);
    EXPECT_EQ(joined("a.bin", 3), src);
    fs::remove(at("a.bin"));
    EXPECT_EQ(CliProcess::runBroken({"merge", "a.bin.QZ1", "--delete"}, at(""), Stderr::Closed),
              0);
    EXPECT_EQ(bytesOf("a.bin"), src);  // no message went into it
    EXPECT_EQ(CliProcess::runBroken({"merge", "a.bin.QZ1"}, at(""), Stderr::ReaderGone), 1);
}

// What a script reads on stdout must reach it: a full device is a failure.
TEST_F(Scripts, AStdoutThatCannotBeWrittenIsAFailure) {
    make("big", 3 << 20);
    ASSERT_EQ(cli({"split", "big", "3"}).status, 0);
    for (const char* args : {"check big.QZ1", "split big --max-size 1M --yes", "--version"}) {
        EXPECT_EQ(shell(std::string("'") + QZSLICE_CLI + "' " + args + " > /dev/full 2> err"), 1)
            << args;
        const Bytes err = bytesOf("err");
        EXPECT_NE(std::string(err.begin(), err.end()).find("No space left on device"),
                  std::string::npos) << args;
    }
}

TEST_F(Scripts, MaxSizeTakesTheSmallestCountWhoseSlicesFit) {
    const Bytes src = make("big", 3 << 20);
    // Three slices of 1 MiB would need a second slice of 1 114 095 bytes.
    auto r = cli({"split", "big", "--max-size", "1M"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "4 slices\n");
    EXPECT_EQ(sizeOf("big.QZ4"), 786468);
    EXPECT_FALSE(has("big.QZ5"));
    EXPECT_EQ(joined("big", 4), src);

    auto quiet = cli({"split", "big", "--max-size=1024K", "--yes", "-q", "--to", "."});
    EXPECT_EQ(quiet.status, 0) << quiet.err;
    EXPECT_EQ(quiet.out, "");
}

TEST_F(Scripts, MaxSizeThatNoCountFitsTouchesNothing) {
    make("small", 300000);
    qz::TempDir::write(at("sparse"), {});
    fs::resize_file(at("sparse"), 64 << 20);
    const auto before = snapshot(at(""));
    auto tooMany = cli({"split", "sparse", "--max-size", "64K"});
    EXPECT_EQ(tooMany.status, 2);
    EXPECT_NE(tooMany.err.find("no count from 1 to 999"), std::string::npos) << tooMany.err;
    auto tooSmall = cli({"split", "small", "--max-size", "64K"});
    EXPECT_EQ(tooSmall.status, 2);
    EXPECT_NE(tooSmall.err.find("smaller than 64 KB"), std::string::npos) << tooSmall.err;
    EXPECT_EQ(snapshot(at("")), before);
}

// A 1 000 000-byte source in three slices (327 675, 327 675, 344 650).
class CheckCommand : public CliFixture {
protected:
    void SetUp() override {
        splitNew("r", 1000000, 3);
        fs::remove(at("r"));
    }
    // Runs check and sees that it touched nothing.
    CliProcess::Result check(const std::vector<std::string>& args) {
        const auto before = snapshot(at(""));
        auto r = cli(args);
        EXPECT_EQ(snapshot(at("")), before);
        return r;
    }
};

TEST_F(CheckCommand, AWholeSetIsCountedAndSized) {
    auto r = check({"check", "r.QZ1"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "whole: 3 slices, 1000000 bytes\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(check({"check", "r.QZ1", "-q"}).out, "");
}

TEST_F(CheckCommand, ASetThatIsNotWholeSaysWhy) {
    using TempDir = qz::TempDir;
    struct Case {
        std::function<void()> spoil, mend;
        const char* why;
    };
    const Bytes second = bytesOf("r.QZ2"), third = bytesOf("r.QZ3");
    const std::vector<Case> cases{
        {[&] { fs::resize_file(at("r.QZ2"), 300000); },
         [&] { TempDir::write(at("r.QZ2"), second); }, "slice 2 has 300000 bytes"},
        {[&] { fs::remove(at("r.QZ3")); }, [&] { TempDir::write(at("r.QZ3"), third); },
         "the sums file lists 3 slices, slice 3 is not there"},
        {[&] { fs::rename(at("r.QZ2"), at("r.QZ5")); },
         [&] { fs::rename(at("r.QZ5"), at("r.QZ2")); }, "there is no slice 2"}};
    for (const Case& c : cases) {
        c.spoil();
        auto r = check({"check", "r.QZ1", "-q"});
        EXPECT_EQ(r.status, 1) << c.why;
        EXPECT_EQ(r.err.rfind("the set is not whole\n", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(c.why), std::string::npos) << r.err;
        c.mend();
    }
    EXPECT_EQ(check({"check", "r.QZ1"}).status, 0);
}

}  // namespace
