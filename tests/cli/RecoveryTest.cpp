// Sets that carry PAR2 recovery files: a merge mends what they cover (lost
// slices, slice 1 too, and bytes damaged in place) and refuses what they do
// not, writing and deleting nothing; stock par2 repairs what a split wrote;
// a kill at any phase leaves no recovery file partial; an
// older set's recovery files go when a new split replaces it.

#include <filesystem>

#include "tests/cli/CliFixture.h"

namespace {

namespace fs = std::filesystem;

using Recovery = CliFixture;

// Overwrites two bytes of name in place, its size kept.
void damage(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "r+b");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(std::fseek(f, 100, SEEK_SET), 0);
    ASSERT_EQ(std::fwrite("\xAA\x55", 1, 2, f), 2u);
    ASSERT_EQ(std::fclose(f), 0);
}

struct Harm {
    const char* what;
    std::vector<int> lost, damaged;  // slice numbers
    const char* given;               // FIRST_SLICE as the merge is given it
    bool mended;
};

TEST_F(Recovery, MergeMendsWhatTheRecoveryFilesCoverAndNoMore) {
    const std::vector<Harm> harms{
        {"one lost", {2}, {}, "f.QZ1", true},
        {"one damaged in place", {}, {3}, "f.QZ1", true},
        {"slice 1 lost", {1}, {}, "f.QZ.par2", true},
        {"the last lost, one damaged", {5}, {2}, "f.QZ1", true},
        {"three for two", {1, 4}, {3}, "f.QZ1", false},
    };
    for (const Harm& harm : harms) {
        const Bytes src = make("f", 700000);
        ASSERT_EQ(cli({"split", "f", "5", "--recovery", "2", "-q"}).status, 0);
        fs::remove(at("f"));
        for (int k : harm.lost) fs::remove(at("f.QZ" + std::to_string(k)));
        for (int k : harm.damaged) damage(at("f.QZ" + std::to_string(k)));
        const auto before = entriesIn("");
        const auto r = cli({"merge", harm.given, "--delete"});
        if (harm.mended) {
            EXPECT_EQ(r.status, 0) << harm.what << r.err;
            EXPECT_EQ(bytesOf("f"), src) << harm.what;
            EXPECT_NE(r.err.find("rebuilt from the recovery files"), std::string::npos) << r.err;
            // The set went whole: its recovery files too.
            EXPECT_EQ(entriesIn(""), std::vector<std::string>{"f"}) << harm.what;
        } else {
            EXPECT_EQ(r.status, 1) << harm.what;
            EXPECT_NE(r.err.find("3 slices are lost or damaged"), std::string::npos) << r.err;
            EXPECT_EQ(entriesIn(""), before) << harm.what;
        }
        for (const auto& name : entriesIn("")) fs::remove(at(name));
    }
}

TEST_F(Recovery, MergeToStandardOutputMendsADamagedSliceBeforeSendingIt) {
    const Bytes src = make("f", 500000);
    ASSERT_EQ(cli({"split", "f", "3", "--recovery", "1", "-q"}).status, 0);
    damage(at("f.QZ2"));
    ASSERT_EQ(shell(std::string("'") + QZSLICE_CLI + "' merge f.QZ1 --stdout > joined 2> err"), 0);
    EXPECT_EQ(bytesOf("joined"), src);
}

TEST_F(Recovery, StockPar2RepairsWhatASplitWrote) {
    if (std::system("command -v par2 > /dev/null") != 0) GTEST_SKIP() << "no par2 (package par2)";
    make("片段 一.bin", 900000);
    ASSERT_EQ(cli({"split", "片段 一.bin", "4", "--recovery", "1", "-q"}).status, 0);
    fs::remove(at("片段 一.bin.QZ3"));
    EXPECT_EQ(shell("par2 repair -q -q '片段 一.bin.QZ.par2' > /dev/null && "
                    "sha256sum --quiet -c '片段 一.bin.QZ.sha256'"),
              0);
}

// Killed while the recovery data is added up, while the files are flushed,
// and as each file of the set takes its name, the folder holds no named
// recovery file that differs from what a whole run writes.
TEST_F(Recovery, AKillAtAnyPhaseLeavesNoPartialRecoveryFile) {
    if (std::system("command -v strace > /dev/null") != 0) GTEST_SKIP() << "no strace";
    make("f", 600000);
    mkdir("whole");
    ASSERT_EQ(cli({"split", "f", "3", "--recovery", "2", "--to", "whole", "-q"}).status, 0);
    const std::vector<std::pair<std::string, int>> phases{
        {"pwrite64", 3}, {"pwrite64", 9}, {"fsync", 1}};
    std::vector<std::pair<std::string, int>> moments = phases;
    for (int naming = 1; naming <= 6; ++naming) moments.emplace_back("linkat,renameat2", naming);
    for (const auto& [calls, when] : moments) {
        mkdir("cut");
        const std::string kill = "strace -f -o /dev/null -e inject=" + calls +
                                 ":signal=KILL:when=" + std::to_string(when) + " '" +
                                 QZSLICE_CLI + "' split f 3 --recovery 2 --to cut -q 2> /dev/null";
        EXPECT_EQ(shell(kill), 128 + SIGKILL) << calls << when;
        for (const auto& name : entriesIn("cut"))
            if (name.ends_with(".par2"))
                EXPECT_EQ(bytesOf("cut/" + name), bytesOf("whole/" + name)) << calls << when << name;
        fs::remove_all(at("cut"));
    }
}

// par2 would look for a slice named with a backslash in a folder, and for
// one with a line break under another name: such a split writes nothing.
TEST_F(Recovery, NamesPar2CannotCarryAreRefusedBeforeAnythingIsWritten) {
    for (const char* name : {"a\\b", "a\nb"}) {
        make(name, 300000);
        const auto r = cli({"split", name, "2", "--recovery", "1"});
        EXPECT_EQ(r.status, 1) << name;
        EXPECT_NE(r.err.find("par2"), std::string::npos) << r.err;
        EXPECT_EQ(entriesIn(""), std::vector<std::string>{name});
        fs::remove(at(name));
    }
}

TEST_F(Recovery, ANewSplitTakesAwayTheOlderSetsRecoveryFiles) {
    make("f", 600000);
    ASSERT_EQ(cli({"split", "f", "4", "--recovery", "2", "-q"}).status, 0);
    ASSERT_EQ(cli({"split", "f", "3", "--yes", "-q"}).status, 0);
    EXPECT_EQ(entriesIn(""),
              (std::vector<std::string>{"f", "f.QZ.sha256", "f.QZ1", "f.QZ2", "f.QZ3"}));
}

}  // namespace
