// NAME.QZ.sha256: what a split writes, that tools outside this program take
// it, and that check, verify and merge stop every spoiled set and touch
// nothing of it.

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "tests/cli/CliFixture.h"

namespace fs = std::filesystem;

class Sums : public CliFixture {
protected:
    std::string text(const std::string& name) const {
        std::ifstream in(at(name));
        return {std::istreambuf_iterator<char>(in), {}};
    }
    void write(const std::string& name, const std::string& content) const {
        std::ofstream(at(name)) << content;
    }
    // The command after label in the sums file's comment lines.
    std::string commandAfter(const std::string& sums, const std::string& label) const {
        std::istringstream lines(text(sums));
        for (std::string line; std::getline(lines, line);)
            if (line.starts_with(label)) return line.substr(line.find_first_not_of(' ', label.size()));
        ADD_FAILURE() << "no " << label << " in " << sums;
        return "";
    }
};

TEST_F(Sums, Sha256sumTakesAFreshFileAndItsJoinCommandsRebuildTheSource) {
    const std::string name = "it's a clip.bin";
    const Bytes src = splitNew(name, 12 * 70000, 12);
    const std::string sums = name + ".QZ.sha256";
    ASSERT_TRUE(has(sums));
    EXPECT_TRUE(text(sums).starts_with("# qzslice sums 1\n# source: " + name +
                                       "\n# size: 840000\n# slices: 12\n"));
    EXPECT_EQ(shell("sha256sum --quiet -c \"" + sums + "\""), 0);
    fs::remove(at(name));
    const std::string loop = commandAfter(sums, "# join (sh, Linux/macOS):");
    const std::string braces = commandAfter(sums, "# join (bash):");
    for (const auto& [command, sh] : {std::pair{loop, "sh"}, {loop, "bash"}, {braces, "bash"}}) {
        EXPECT_EQ(shell(command, sh), 0) << command;
        EXPECT_EQ(bytesOf(name), src) << sh << ": " << command;
        fs::remove(at(name));
    }
}

// The commands name the very files, also where sha256sum escapes the name
// (a backslash, a line break): the check passes, each join rebuilds the
// source, a join that misses a slice fails, and where a shell cannot be
// given the name the line says so instead of naming another file.
TEST_F(Sums, TheCommandsNameTheFilesWhateverTheirNames) {
    for (const std::string name : {"back\\slash.bin", "new\nline.bin"}) {
        const Bytes src = splitNew(name, 2 * 70000, 2);
        const std::string sums = name + ".QZ.sha256";
        EXPECT_EQ(shell(commandAfter(sums, "# check (Linux):") + " --quiet", "bash"), 0) << name;
        fs::remove(at(name));
        const std::string loop = commandAfter(sums, "# join (sh, Linux/macOS):");
        const std::string braces = commandAfter(sums, "# join (bash):");
        const bool sh = name.find('\n') == std::string::npos;
        EXPECT_EQ(loop.starts_with("(none:"), !sh) << loop;
        EXPECT_TRUE(commandAfter(sums, "# join (Windows cmd):").starts_with("(none:")) << name;
        for (const auto& [command, shell_] : {std::pair{braces, "bash"}, {loop, "sh"}}) {
            if (command.starts_with("(none:")) continue;
            EXPECT_EQ(shell(command, shell_), 0) << command;
            EXPECT_EQ(bytesOf(name), src) << shell_ << ": " << command;
            fs::remove(at(name));
            fs::rename(at(name + ".QZ2"), at("aside"));
            EXPECT_NE(shell(command, shell_), 0) << command;
            fs::rename(at("aside"), at(name + ".QZ2"));
            fs::remove(at(name));
        }
    }
}

TEST_F(Sums, MergeDeleteRemovesTheSumsFileWithTheSlices) {
    const Bytes src = splitNew("a.bin", 300000, 3);
    fs::remove(at("a.bin"));
    EXPECT_EQ(cli({"merge", "a.bin.QZ1", "--delete"}).status, 0);
    EXPECT_EQ(bytesOf("a.bin"), src);
    EXPECT_FALSE(has("a.bin.QZ.sha256"));
    EXPECT_FALSE(has("a.bin.QZ1"));
}

TEST_F(Sums, AnOlderSumsFileIsReplacedOnlyOnYes) {
    make("a.bin", 300000);
    write("a.bin.QZ.sha256", "old\n");
    EXPECT_EQ(cli({"split", "a.bin", "3", "--no"}).status, 3);
    EXPECT_EQ(text("a.bin.QZ.sha256"), "old\n");
    EXPECT_FALSE(has("a.bin.QZ1"));
    EXPECT_EQ(cli({"split", "a.bin", "3", "--yes"}).status, 0);
    EXPECT_TRUE(text("a.bin.QZ.sha256").starts_with("# qzslice sums 1\n"));
}

TEST_F(Sums, WithoutASumsFileMergeSaysSoAndVerifyRefuses) {
    const Bytes src = splitNew("a.bin", 300000, 3);
    fs::remove(at("a.bin"));
    fs::remove(at("a.bin.QZ.sha256"));
    auto v = cli({"verify", "a.bin.QZ1"});
    EXPECT_EQ(v.status, 1);
    EXPECT_NE(v.err.find("no sums file"), std::string::npos) << v.err;
    EXPECT_EQ(v.err.find("not whole"), std::string::npos) << v.err;  // it is whole
    auto m = cli({"merge", "a.bin.QZ1"});
    EXPECT_EQ(m.status, 0);
    EXPECT_EQ(m.err, std::string(kDone) +
                         "note: the set carries no sums (a.bin.QZ.sha256), so a lost "
                         "last slice or damaged bytes cannot be seen\n");
    EXPECT_EQ(bytesOf("a.bin"), src);
}

// One spoiled set: how it is spoiled, whether check (which reads no slice
// data) sees it, and what the reason must name.
class SpoiledSet;
struct Spoil {
    const char* what;
    int count;
    std::function<void(SpoiledSet&)> spoil;
    bool checkSees;
    const char* named;
};

class SpoiledSet : public Sums, public ::testing::WithParamInterface<Spoil> {
public:
    using Sums::at;
    using Sums::cli;
    using Sums::sizeOf;
    void flip(const std::string& name, std::int64_t at) {
        std::fstream f(this->at(name), std::ios::in | std::ios::out | std::ios::binary);
        f.seekg(at);
        const char c = static_cast<char>(f.get() ^ 0x20);
        f.seekp(at);
        f.put(c);
    }
    void replaceLine(const std::string& from, const std::string& to) {
        std::string t = text("a.bin.QZ.sha256");
        t.replace(t.find(from), from.size(), to);
        write("a.bin.QZ.sha256", t);
    }
    // The same name split in another folder from other bytes of size; the
    // slice k of that set.
    std::string otherSlice(std::int64_t size, int count, int k) {
        mkdir("other");
        qz::TempDir::write(at("other/a.bin"), qz::TempDir::pattern(size, 9));
        EXPECT_EQ(cli({"split", "other/a.bin", std::to_string(count)}).status, 0);
        return at("other/a.bin.QZ" + std::to_string(k));
    }
};

TEST_P(SpoiledSet, NeverPassesAndNothingIsTouched) {
    const Spoil& s = GetParam();
    splitNew("a.bin", 300000, s.count);
    const Bytes older = make("a.bin", 1000, 5);  // an older output, to be kept
    s.spoil(*this);
    std::vector<std::pair<std::string, Bytes>> before;
    for (const auto& e : fs::directory_iterator(at("")))
        if (e.is_regular_file()) before.emplace_back(e.path().filename(), bytesOf(e.path().filename()));

    auto check = cli({"check", "a.bin.QZ1"});
    EXPECT_EQ(check.status, s.checkSees ? 1 : 0) << check.err;
    auto verify = cli({"verify", "a.bin.QZ1"});
    EXPECT_EQ(verify.status, 1);
    EXPECT_NE(verify.err.find(s.named), std::string::npos) << verify.err;
    auto merge = cli({"merge", "a.bin.QZ1", "--delete", "--yes"});
    EXPECT_EQ(merge.status, 1);
    // Without a first slice there is no set to name anything of.
    if (has("a.bin.QZ1")) {
        EXPECT_NE(merge.err.find(s.named), std::string::npos) << merge.err;
    }
    EXPECT_EQ(bytesOf("a.bin"), older);
    for (const auto& [name, bytes] : before) EXPECT_EQ(bytesOf(name), bytes) << name;
}

const Spoil kSpoils[] = {
        Spoil{"LostLastOfThree", 3, [](SpoiledSet& t) { fs::remove(t.at("a.bin.QZ3")); }, true, "a.bin.QZ3"},
        Spoil{"LostLastOfTwo", 2, [](SpoiledSet& t) { fs::remove(t.at("a.bin.QZ2")); }, true, "a.bin.QZ2"},
        Spoil{"FirstByteOfFirst", 3, [](SpoiledSet& t) { t.flip("a.bin.QZ1", 0); }, false, "a.bin.QZ1"},
        Spoil{"MiddleByteOfMiddle", 3, [](SpoiledSet& t) { t.flip("a.bin.QZ2", 40000); }, false, "a.bin.QZ2"},
        Spoil{"LastByteOfLast", 3, [](SpoiledSet& t) { t.flip("a.bin.QZ3", t.sizeOf("a.bin.QZ3") - 1); }, false, "a.bin.QZ3"},
        Spoil{"SwappedForAnotherSplits", 3, [](SpoiledSet& t) {
            fs::copy_file(t.otherSlice(300000, 3, 2), t.at("a.bin.QZ2"), fs::copy_options::overwrite_existing);
        }, false, "a.bin.QZ2"},
        Spoil{"SumsOfAnOlderSplit", 3, [](SpoiledSet& t) {
            t.otherSlice(400000, 4, 1);
            fs::copy_file(t.at("other/a.bin.QZ.sha256"), t.at("a.bin.QZ.sha256"), fs::copy_options::overwrite_existing);
        }, true, "a.bin.QZ4"},
        Spoil{"Malformed", 3, [](SpoiledSet& t) { t.replaceLine("  a.bin.QZ2", " a.bin.QZ2"); }, true, "malformed sums file"},
        Spoil{"OtherVersion", 3, [](SpoiledSet& t) { t.replaceLine("sums 1", "sums 2"); }, true, "format version 2"},
        Spoil{"NamesOtherFiles", 3, [](SpoiledSet& t) { t.replaceLine("  a.bin.QZ2", "  b.bin.QZ2"); }, true, "b.bin.QZ2"},
        Spoil{"Unreadable", 3, [](SpoiledSet& t) {
            fs::remove(t.at("a.bin.QZ.sha256"));
            fs::create_directory(t.at("a.bin.QZ.sha256"));
        }, true, "a.bin.QZ.sha256"},
        Spoil{"SumsWithoutSlices", 3, [](SpoiledSet& t) {
            for (int k = 1; k <= 3; ++k) fs::remove(t.at("a.bin.QZ" + std::to_string(k)));
        }, true, "a.bin.QZ1"},
        Spoil{"RenamedAfterTheSplit", 3, [](SpoiledSet& t) {
            // a split of b.bin renamed to a.bin, its sums file too
            for (const char* n : {"QZ1", "QZ2", "QZ3", "QZ.sha256"}) fs::remove(t.at(std::string("a.bin.") + n));
            qz::TempDir::write(t.at("b.bin"), qz::TempDir::pattern(300000, 3));
            EXPECT_EQ(t.cli({"split", "b.bin", "3"}).status, 0);
            for (const char* n : {"QZ1", "QZ2", "QZ3", "QZ.sha256"})
                fs::rename(t.at(std::string("b.bin.") + n), t.at(std::string("a.bin.") + n));
        }, true, "the sums file is of b.bin"},
};

INSTANTIATE_TEST_SUITE_P(EveryWay, SpoiledSet, ::testing::ValuesIn(kSpoils),
                         [](const auto& info) { return std::string(info.param.what); });
