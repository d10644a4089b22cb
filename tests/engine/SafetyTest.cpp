// What keeps a user's data safe: a merge joins only a set it checked whole
// and deletes only what it joined; no file shows under its final name before
// it is whole; a replaced file goes only when its successor is whole; the
// permissions of what is copied; a signal mid-way; what a killed run left.

#include <signal.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>

#include "engine/io/FileServices.h"
#include "engine/io/Interruption.h"
#include "engine/set/SliceNames.h"
#include "engine/io/Sys.h"
#include "engine/set/TempName.h"
#include "tests/engine/EngineFixture.h"
#include "tests/support/LoopVolume.h"

namespace qz {
namespace {

namespace fs = std::filesystem;
using Sizes = std::vector<std::int64_t>;

// Every entry of a directory with its size (-1 for what is no regular file).
std::map<std::string, std::int64_t> snapshot(const std::string& d) {
    std::map<std::string, std::int64_t> all;
    for (const auto& e : fs::directory_iterator(d))
        all[e.path().filename().string()] =
            fs::is_regular_file(fs::symlink_status(e.path())) ? std::int64_t(e.file_size()) : -1;
    return all;
}

// Names in d that are a slice name of name.
std::vector<std::string> sliceNames(const std::string& d, const std::string& name) {
    std::vector<std::string> found;
    for (const auto& e : fs::directory_iterator(d))
        if (const std::string n = e.path().filename().string();
            SliceNames::trailingIndex(n) > 0 && n.rfind(name + ".", 0) == 0)
            found.push_back(n);
    return found;
}

// Names in d of the temporaries of runs.
std::vector<std::string> temporaries(const std::string& d) {
    std::vector<std::string> found;
    for (const auto& e : fs::directory_iterator(d))
        if (e.path().filename().string().find(".qzpart-") != std::string::npos)
            found.push_back(e.path().filename().string());
    return found;
}

// A set that is not what it seems, made from a whole one.
struct Spoiled {
    const char* name;
    const char* first;   // where the merge starts
    const char* reason;  // part of the reason given
    std::function<void(const TempDir&)> spoil;
};

class WholeSet : public EngineTest, public ::testing::WithParamInterface<Spoiled> {};

TEST_P(WholeSet, IsCheckedBeforeAnythingIsAskedWrittenOrDeleted) {
    TempDir::write(dir / "r.doc", TempDir::pattern(1000000));
    ASSERT_EQ(splitFile(dir / "r.doc", "3"), Engine::Outcome::Completed);
    TempDir::write(dir / "r.doc", {9});  // an older output, which would be asked about
    GetParam().spoil(dir);
    const auto before = snapshot(dir.path());
    host.shown.clear();
    host.answers = {MsgAnswer::Yes};
    ASSERT_EQ(mergeFrom(dir / GetParam().first, true), Engine::Outcome::Failed);
    EXPECT_EQ(texts(), std::vector<std::string>{"切片错误"});
    EXPECT_EQ(snapshot(dir.path()), before);
    EXPECT_NE(engine.failureReason().find(GetParam().reason), std::string::npos)
        << engine.failureReason();
}

void rename(const TempDir& d, const char* from, const char* to) {
    ASSERT_EQ(std::rename((d / from).c_str(), (d / to).c_str()), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Merge, WholeSet,
    ::testing::Values(
        Spoiled{"FromTheSecondSlice", "r.doc.QZ2", "not a first slice", [](const TempDir&) {}},
        Spoiled{"FromACopyOfTheFirst", "r.doc.QZ1.bak", "not a first slice",
                [](const TempDir& d) { fs::copy_file(d / "r.doc.QZ1", d / "r.doc.QZ1.bak"); }},
        Spoiled{"FirstSliceInAnotherCase", "r.doc.qz1", "not a first slice",
                [](const TempDir& d) { rename(d, "r.doc.QZ1", "r.doc.qz1"); }},
        // Another file on a volume that keeps case apart: slices 2 and 3 are
        // missing, as the sums file says.
        Spoiled{"LaterSlicesInAnotherCase", "r.doc.QZ1", "a slice is missing",
                [](const TempDir& d) {
                    rename(d, "r.doc.QZ2", "r.doc.qz2");
                    rename(d, "r.doc.QZ3", "r.doc.qz3");
                }},
        Spoiled{"AMissingMiddleSlice", "r.doc.QZ1", "gap",
                [](const TempDir& d) { fs::remove(d / "r.doc.QZ2"); }},
        Spoiled{"ASliceBeyondTheSet", "r.doc.QZ1", "gap",
                [](const TempDir& d) { fs::copy_file(d / "r.doc.QZ3", d / "r.doc.QZ5"); }},
        Spoiled{"LastSliceADirectory", "r.doc.QZ1", "not a plain file",
                [](const TempDir& d) {
                    fs::remove(d / "r.doc.QZ3");
                    fs::create_directory(d / "r.doc.QZ3");
                }},
        Spoiled{"LastSliceAFifo", "r.doc.QZ1", "not a plain file",
                [](const TempDir& d) {
                    fs::remove(d / "r.doc.QZ3");
                    ASSERT_EQ(::mkfifo((d / "r.doc.QZ3").c_str(), 0644), 0);
                }},
        Spoiled{"LastSliceADanglingLink", "r.doc.QZ1", "dangling link",
                [](const TempDir& d) {
                    fs::remove(d / "r.doc.QZ3");
                    fs::create_symlink(d / "gone", d / "r.doc.QZ3");
                }},
        Spoiled{"ATruncatedMiddleSlice", "r.doc.QZ1", "slice 2 has 300000 bytes",
                [](const TempDir& d) { fs::resize_file(d / "r.doc.QZ2", 300000); }}),
    [](const auto& info) { return std::string(info.param.name); });

class SafetyTest : public EngineTest {
protected:
    void TearDown() override { Interruption::reset(); }
    // The slices a merge has begun to join: its bar starts again from 10
    // twips for each one after the first.
    long slicesBegun() const {
        return 1 + std::count(host.label6History.begin(), host.label6History.end(), 10.0f);
    }
};

TEST_F(SafetyTest, NoSliceOrOutputShowsUnderItsNameBeforeItIsWhole) {
    for (bool named : {false, true}) {
        useOptions({.namedTemporaries = named});
        const auto bytes = TempDir::pattern(1000000);
        TempDir::write(dir / "r.doc", bytes);
        std::size_t seenMidway = 0;
        host.onDoEvents = [&] { seenMidway += sliceNames(dir.path(), "r.doc").size(); };
        ASSERT_EQ(splitFile(dir / "r.doc", "3"), Engine::Outcome::Completed) << named;
        EXPECT_EQ(sliceSizes(dir.path(), "r.doc"), (Sizes{327675, 327675, 344650}));

        TempDir::write(dir / "r.doc", {9});
        host.answers = {MsgAnswer::Yes};
        host.onDoEvents = [&] {
            EXPECT_EQ(TempDir::read(dir / "r.doc"), std::vector<unsigned char>{9});
        };
        ASSERT_EQ(mergeFrom(dir / "r.doc.QZ1", true), Engine::Outcome::Completed) << named;
        EXPECT_TRUE(TempDir::read(dir / "r.doc") == bytes);
        EXPECT_TRUE(sliceNames(dir.path(), "r.doc").empty());
        EXPECT_TRUE(temporaries(dir.path()).empty());
        EXPECT_EQ(seenMidway, 0u);
    }
}

TEST_F(SafetyTest, AFailedMergeKeepsTheOlderOutput) {
    for (bool named : {false, true}) {
        useOptions({.namedTemporaries = named});
        TempDir::write(dir / "r.doc", TempDir::pattern(1000000));
        host.answers = {MsgAnswer::Yes};
        ASSERT_EQ(splitFile(dir / "r.doc", "3"), Engine::Outcome::Completed);
        host.label6History.clear();
        TempDir::write(dir / "r.doc", {9});
        host.answers = {MsgAnswer::Yes};
        host.onDoEvents = [&] {
            if (slicesBegun() == 2) fs::remove(dir / "r.doc.QZ3");  // while slice 2 is read
        };
        ASSERT_EQ(mergeFrom(dir / "r.doc.QZ1", true), Engine::Outcome::Failed);
        EXPECT_EQ(TempDir::read(dir / "r.doc"), std::vector<unsigned char>{9});
        EXPECT_TRUE(temporaries(dir.path()).empty()) << named;
        host.onDoEvents = nullptr;
        for (const auto& e : fs::directory_iterator(dir.path()))
            if (e.path().filename() != "r.doc") fs::remove(e.path());
    }
}

TEST_F(SafetyTest, DeletesExactlyTheFilesItJoined) {
    TempDir::write(dir / "r.doc", TempDir::pattern(1000000));
    ASSERT_EQ(splitFile(dir / "r.doc", "3"), Engine::Outcome::Completed);
    const auto bytes = TempDir::read(dir / "r.doc");
    fs::remove(dir / "r.doc");
    // Slice 1, already joined, is replaced by another file while slice 3 is.
    host.onDoEvents = [&] {
        if (slicesBegun() != 3 || TempDir::exists(dir / "other")) return;
        TempDir::write(dir / "other", {5});
        rename(dir, "other", "r.doc.QZ1");
    };
    ASSERT_EQ(mergeFrom(dir / "r.doc.QZ1", true), Engine::Outcome::Unfinished);
    EXPECT_TRUE(TempDir::read(dir / "r.doc") == bytes);  // whole, so kept
    EXPECT_EQ(TempDir::read(dir / "r.doc.QZ1"), std::vector<unsigned char>{5});
    EXPECT_NE(engine.failureReason().find("changed after the check"), std::string::npos);
    EXPECT_NE(engine.failureReason().find("no slice was deleted"), std::string::npos);
}

TEST_F(SafetyTest, CopiesKeepThePermissionsOfWhatTheyCopy) {
    const mode_t old = ::umask(022);
    TempDir::write(dir / "secret", TempDir::pattern(200000));
    ASSERT_EQ(::chmod((dir / "secret").c_str(), 0600), 0);
    ASSERT_EQ(splitFile(dir / "secret", "2"), Engine::Outcome::Completed);
    ASSERT_EQ(::chmod((dir / "secret.QZ1").c_str(), 0640), 0);
    fs::remove(dir / "secret");
    ASSERT_EQ(mergeFrom(dir / "secret.QZ1"), Engine::Outcome::Completed);
    ::umask(old);
    EXPECT_EQ(FileServices::entry(dir / "secret.QZ2")->mode, 0600u);
    EXPECT_EQ(FileServices::entry(dir / "secret.QZ.sha256")->mode, 0600u);
    // No wider than the most private slice, whichever that is.
    EXPECT_EQ(FileServices::entry(dir / "secret")->mode, 0600u);
}

// A link another user put in a shared sticky folder, in place of a slice, to
// a file only we may read: the merge refuses it, as protected links would,
// and publishes nothing.
// In a sticky one, as protected links refuse it; in any other, when its
// owner could not read what it leads to (a merge would hand them the copy).
TEST_F(SafetyTest, ALinkOfAnotherUserInASharedFolderIsNotFollowed) {
    if (::geteuid() != 0) GTEST_SKIP() << "giving a link to another user needs root";
    for (const mode_t mode : {01777, 0777}) {
        ASSERT_EQ(::mkdir((dir / "shared").c_str(), 0777), 0);
        ASSERT_EQ(::chmod((dir / "shared").c_str(), mode), 0);
        TempDir::write(dir / "shared/p", TempDir::pattern(200000));
        ASSERT_EQ(splitFile(dir / "shared/p", "2"), Engine::Outcome::Completed);
        fs::rename(dir / "shared/p.QZ2", dir / "private.QZ2");
        ASSERT_EQ(::chmod((dir / "private.QZ2").c_str(), 0600), 0);
        ASSERT_EQ(::symlink((dir / "private.QZ2").c_str(), (dir / "shared/p.QZ2").c_str()), 0);
        ASSERT_EQ(::lchown((dir / "shared/p.QZ2").c_str(), 65534, 65534), 0);
        fs::remove(dir / "shared/p");
        ASSERT_EQ(mergeFrom(dir / "shared/p.QZ1"), Engine::Outcome::Failed) << mode;
        EXPECT_NE(engine.failureReason().find("not followed: "), std::string::npos)
            << engine.failureReason();
        EXPECT_FALSE(TempDir::exists(dir / "shared/p"));
        fs::remove_all(dir / "shared");
        fs::remove(dir / "private.QZ2");
    }
}

// Root splitting and joining someone's file leaves every result theirs, as
// cp -p would, not root's.
TEST_F(SafetyTest, RootKeepsTheOwnerOfWhatItCopies) {
    if (::geteuid() != 0) GTEST_SKIP() << "giving files to another user needs root";
    TempDir::write(dir / "hers", TempDir::pattern(200000));
    ASSERT_EQ(::chown((dir / "hers").c_str(), 65534, 65534), 0);
    ASSERT_EQ(splitFile(dir / "hers", "2"), Engine::Outcome::Completed);
    fs::remove(dir / "hers");
    ASSERT_EQ(mergeFrom(dir / "hers.QZ1"), Engine::Outcome::Completed);
    for (const char* name : {"hers.QZ1", "hers.QZ2", "hers.QZ.sha256", "hers"}) {
        const auto e = FileServices::entry(dir / name);
        EXPECT_EQ(e->owner.uid, 65534u) << name;
        EXPECT_EQ(e->owner.gid, 65534u) << name;
    }
}

TEST_F(SafetyTest, ASignalMidwayRemovesWhatTheRunWrote) {
    Interruption::install();
    TempDir::write(dir / "r.doc", TempDir::pattern(1000000));
    host.onDoEvents = [&] {
        if (engine.iPos() > 500000) ::raise(SIGTERM);  // in slice 2
    };
    ASSERT_EQ(splitFile(dir / "r.doc", "3"), Engine::Outcome::Failed);
    EXPECT_TRUE(sliceNames(dir.path(), "r.doc").empty());
    EXPECT_TRUE(temporaries(dir.path()).empty());
    EXPECT_NE(engine.failureReason().find("SIGTERM"), std::string::npos);

    Interruption::reset();
    host.onDoEvents = nullptr;
    ASSERT_EQ(splitFile(dir / "r.doc", "3"), Engine::Outcome::Completed);
    const auto slices = snapshot(dir.path());
    host.onDoEvents = [&] { ::raise(SIGINT); };
    host.answers = {MsgAnswer::Yes};  // to replace the source itself
    ASSERT_EQ(mergeFrom(dir / "r.doc.QZ1", true), Engine::Outcome::Failed);
    EXPECT_EQ(snapshot(dir.path()), slices);
}

// A signal in a run's last steps: during the flush nothing is named yet, so
// the run is undone; once a merge's output is named, the deleting stops at
// the next slice, the output stays, and the run ends by the signal.
TEST_F(SafetyTest, ASignalAtTheEndUndoesOrStopsWhereNothingIsLost) {
    Interruption::install();
    struct Row {
        bool split;
        Sys::Call call;  // the signal comes just before its first use
        Engine::Outcome outcome;
        std::size_t slicesLeft;
        bool output;
    };
    for (const Row& row : {Row{true, Sys::Call::Fsync, Engine::Outcome::Failed, 0, false},
                           Row{false, Sys::Call::Fsync, Engine::Outcome::Failed, 3, false},
                           Row{false, Sys::Call::Unlink, Engine::Outcome::Unfinished, 2, true}}) {
        TempDir::write(dir / "r.doc", TempDir::pattern(1000000));
        if (!row.split) {
            ASSERT_EQ(splitFile(dir / "r.doc", "3"), Engine::Outcome::Completed);
            fs::remove(dir / "r.doc");
        }
        Sys::atNth(row.call, 1, [] { ::raise(SIGINT); });
        const auto outcome = row.split ? splitFile(dir / "r.doc", "3")
                                       : mergeFrom(dir / "r.doc.QZ1", true);
        Sys::clearFaults();
        EXPECT_EQ(outcome, row.outcome) << row.split;
        EXPECT_NE(engine.failureReason().find("SIGINT"), std::string::npos)
            << engine.failureReason();
        EXPECT_EQ(sliceNames(dir.path(), "r.doc").size(), row.slicesLeft) << row.split;
        EXPECT_EQ(fs::exists(dir / "r.doc"), row.split || row.output) << row.split;
        EXPECT_TRUE(temporaries(dir.path()).empty());
        Interruption::reset();
        fs::remove_all(dir.path());
        fs::create_directory(dir.path());
    }
}

// Another run, as far away as can be had here: a process of its own in a
// PID namespace of its own, holding the lock on file for as long as it lives.
class Holder {
public:
    explicit Holder(const std::string& file) : file_(file), pid_(::fork()) {
        if (pid_ == 0) {
            // An ordinary user may not make a PID namespace: the lock is then
            // held from this one.
            const char* script =
                "unshare --pid --fork --kill-child true 2>/dev/null &&"
                " exec unshare --pid --fork --kill-child flock -o \"$0\" sleep 30;"
                " exec flock -o \"$0\" sleep 30";
            ::execl("/bin/sh", "sh", "-c", script, file.c_str(), nullptr);
            ::_exit(127);
        }
        // Until it holds the lock, however long a loaded machine takes.
        for (int i = 0; i < 500 && !held(); ++i) ::usleep(20000);
    }
    // Whether someone holds the lock on the file now.
    bool held() const {
        const int fd = ::open(file_.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return false;
        const bool taken = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
        ::close(fd);  // lets go of the lock if it was ours
        return taken;
    }
    // Ends it, and waits until its lock is gone with it.
    ~Holder() {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        for (int i = 0; i < 500 && held(); ++i) ::usleep(20000);
    }

private:
    std::string file_;
    pid_t pid_;
};

// One run per set: while another holds the set's lock, a split or a merge
// of it is refused with the reason, and nothing is touched.
TEST_F(SafetyTest, ASecondRunOfASetIsRefused) {
    TempDir::write(dir / "r.doc", TempDir::pattern(300000));
    ASSERT_EQ(splitFile(dir / "r.doc", "2"), Engine::Outcome::Completed);
    {
        const Holder other(dir / ".r.doc.qzlock");
        const auto before = snapshot(dir.path());
        host.answers = {MsgAnswer::Yes, MsgAnswer::Yes};
        EXPECT_EQ(splitFile(dir / "r.doc", "3"), Engine::Outcome::Failed);
        EXPECT_NE(engine.failureReason().find("another run is working on this set"),
                  std::string::npos) << engine.failureReason();
        EXPECT_EQ(mergeFrom(dir / "r.doc.QZ1", true), Engine::Outcome::Failed);
        EXPECT_EQ(snapshot(dir.path()), before);
    }
    EXPECT_EQ(mergeFrom(dir / "r.doc.QZ1", true), Engine::Outcome::Completed)
        << engine.failureReason();
}

// What a volume does not offer, or what others left at the lock's name,
// never stops nor hangs a run, nor loses another's file: no locks (the run
// goes on without, and leaves no lock file), no owners for root to give
// (a FUSE stick: the slices stay root's), a FIFO someone put there (refused
// at once, left), another user's lock file (used, and left theirs).
TEST_F(SafetyTest, WhatAVolumeLacksOrOthersLeftStopsNoRun) {
    const std::string lock = dir / ".r.doc.qzlock";
    struct Row {
        const char* what;
        std::function<bool()> plant;  // false: the row cannot be had here
        Engine::Outcome outcome;
        std::optional<std::int64_t> left;  // the size at the lock's name after (-1: no file)
    };
    const Row rows[] = {
        {"no lock service", [] { Sys::failNth(Sys::Call::Flock, 1, ENOLCK); return true; },
         Engine::Outcome::Completed, std::nullopt},
        {"no locks at all", [] { Sys::failNth(Sys::Call::Flock, 1, ENOSYS); return true; },
         Engine::Outcome::Completed, std::nullopt},
        {"no files made", [] { Sys::failNth(Sys::Call::Open, 1, ENOSYS); return true; },
         Engine::Outcome::Completed, std::nullopt},
        {"no owners", [] {
             Sys::failNth(Sys::Call::Fchown, 1, ENOSYS);
             return ::geteuid() == 0;
         }, Engine::Outcome::Completed, std::nullopt},
        {"a FIFO", [&] { return ::mkfifo(lock.c_str(), 0644) == 0; }, Engine::Outcome::Failed, -1},
        {"another user's", [&] {
             TempDir::write(lock, {1});
             return ::geteuid() == 0 && ::chown(lock.c_str(), 65534, 65534) == 0;
         }, Engine::Outcome::Completed, 1},
    };
    for (const Row& row : rows) {
        TempDir::write(dir / "r.doc", TempDir::pattern(300000));
        if (!row.plant()) {
            Sys::clearFaults();
            std::filesystem::remove(lock);
            continue;
        }
        EXPECT_EQ(splitFile(dir / "r.doc", "2"), row.outcome) << row.what;
        Sys::clearFaults();
        const auto after = snapshot(dir.path());
        const auto at = after.find(".r.doc.qzlock");
        const std::optional<std::int64_t> left =
            at == after.end() ? std::nullopt : std::optional(at->second);
        EXPECT_EQ(left, row.left) << row.what;
        const std::size_t written = row.outcome == Engine::Outcome::Completed ? 3 : 0;
        EXPECT_EQ(after.size(), 1 + written + (left ? 1 : 0)) << row.what;
        std::filesystem::remove_all(dir.path());
        std::filesystem::create_directory(dir.path());
    }
}

// Another user's lock on my set: in a sticky folder everyone may write to,
// where they cannot take my set's names anyway, my split goes on; in any
// other, it is refused, and the reason says whose run it is.
TEST_F(SafetyTest, AnotherUsersLockStopsARunOnlyWhereItMatters) {
    if (::geteuid() != 0) GTEST_SKIP() << "giving a lock file to another user needs root";
    for (const mode_t mode : {01777, 0777}) {
        ASSERT_EQ(::chmod(dir.path().c_str(), mode), 0);
        TempDir::write(dir / "r.doc", TempDir::pattern(300000));
        TempDir::write(dir / ".r.doc.qzlock", {});
        ASSERT_EQ(::chown((dir / ".r.doc.qzlock").c_str(), 65534, 65534), 0);
        {
            const Holder theirs(dir / ".r.doc.qzlock");
            const bool sticky = mode & S_ISVTX;
            EXPECT_EQ(splitFile(dir / "r.doc", "2"),
                      sticky ? Engine::Outcome::Completed : Engine::Outcome::Failed);
            if (!sticky) {
                EXPECT_NE(engine.failureReason().find("a run of user nobody"), std::string::npos)
                    << engine.failureReason();
            }
        }
        EXPECT_TRUE(fs::exists(dir / ".r.doc.qzlock")) << mode;  // theirs, left
        fs::remove_all(dir.path());
        fs::create_directory(dir.path());
    }
}

// On a FUSE volume that numbers its files anew once it forgets them (exFAT
// through FUSE, its caches dropped before the first deletion), the files a
// run checked are still those it deletes: a merge deletes the set whole, a
// re-split the older set, and neither gives a false alarm.
TEST_F(SafetyTest, AVolumeThatRenumbersItsFilesStillDeletesWhatWasChecked) {
    LoopVolume stick(LoopVolume::Kind::ExFat);
    if (!stick.mounted()) GTEST_SKIP() << stick.why();
    const std::string on = stick.path();
    const auto forget = [] {
        ::sync();
        std::ofstream("/proc/sys/vm/drop_caches") << "3";
    };
    for (const bool merge : {true, false}) {
        TempDir::write(on + "r.doc", TempDir::pattern(300000));
        ASSERT_EQ(splitFile(on + "r.doc", "3"), Engine::Outcome::Completed);
        if (merge) fs::remove(on + "r.doc");
        host.answers = {MsgAnswer::Yes};
        Sys::atNth(Sys::Call::Unlink, 1, forget);
        EXPECT_EQ(merge ? mergeFrom(on + "r.doc.QZ1", true) : splitFile(on + "r.doc", "2"),
                  Engine::Outcome::Completed)
            << engine.failureReason();
        Sys::clearFaults();
        EXPECT_EQ(sliceNames(on, "r.doc").size(), merge ? 0u : 2u) << merge;
        EXPECT_EQ(fs::exists(on + "r.doc.QZ.sha256"), !merge);
    }
}

// Killed at any moment of a re-split's end (removing the older set, naming
// the new one), the folder never holds a sums file that disagrees with a
// slice under its name, nor a slice 1 without its sums.
TEST_F(SafetyTest, AKillAtAnyMomentLeavesNoSumsThatDisagree) {
    if (std::system("command -v sha256sum > /dev/null") != 0) GTEST_SKIP() << "no sha256sum";
    useOptions({.namedTemporaries = true});  // names change hands by rename
    for (const Sys::Call call : {Sys::Call::Unlink, Sys::Call::Renameat2}) {
        for (long moment = 1; moment <= 5; ++moment) {
            TempDir::write(dir / "f", TempDir::pattern(900000, 5));
            ASSERT_EQ(splitFile(dir / "f", "4"), Engine::Outcome::Completed);
            TempDir::write(dir / "f", TempDir::pattern(800000, 6));
            const pid_t run = ::fork();
            ASSERT_GE(run, 0);
            if (run == 0) {
                Sys::atNth(call, moment, [] { ::_exit(0); });
                host.answers = {MsgAnswer::Yes};
                splitFile(dir / "f", "3");
                ::_exit(1);
            }
            int status = 0;
            ASSERT_EQ(::waitpid(run, &status, 0), run);
            const std::string where = std::to_string(static_cast<int>(call)) + "/" +
                                      std::to_string(moment);
            if (TempDir::exists(dir / "f.QZ.sha256")) {
                const std::string verify =
                    "cd '" + dir.path() +
                    "' && sha256sum --quiet --ignore-missing -c f.QZ.sha256 > /dev/null 2>&1";
                EXPECT_EQ(std::system(verify.c_str()), 0) << where;
            } else {
                EXPECT_FALSE(TempDir::exists(dir / "f.QZ1")) << where;
            }
            std::filesystem::remove_all(dir.path());
            std::filesystem::create_directory(dir.path());
        }
    }
}

// Only what a run provably left is removed: a temporary whose name checks
// out and that no run holds locked, even one in another PID namespace
// (a container sharing the folder); never a file a person named alike.
TEST_F(SafetyTest, WhatAKilledRunLeftIsRemovedByTheNextOne) {
    TempDir::write(dir / "r.doc", TempDir::pattern(200000));
    const std::string dead = TempName::fresh("r.doc"), alive = TempName::fresh("r.doc");
    const std::string alike = ".r.doc.qzpart-4000000-notes1";
    for (const std::string& t : {dead, alive, alike}) TempDir::write(dir / t, {1});
    const Holder holder(dir / alive);  // the run that writes it, elsewhere
    ASSERT_EQ(splitFile(dir / "r.doc", "2"), Engine::Outcome::Completed);
    EXPECT_EQ(texts(), std::vector<std::string>{"操作完成!"});  // nothing to ask about
    EXPECT_FALSE(TempDir::exists(dir / dead));
    EXPECT_TRUE(TempDir::exists(dir / alive));
    EXPECT_TRUE(TempDir::exists(dir / alike));
}

// A slice deleted and written anew while the merge runs may get the old
// inode number at once: it is not taken for the slice checked, so the merge
// fails without an output and deletes nothing, the new file least of all.
TEST_F(SafetyTest, ASliceWrittenAnewMidwayIsNeitherJoinedNorDeleted) {
    const auto bytes = TempDir::pattern(1000000);
    TempDir::write(dir / "r.doc", bytes);
    ASSERT_EQ(splitFile(dir / "r.doc", "3"), Engine::Outcome::Completed);
    ASSERT_EQ(::unlink((dir / "r.doc").c_str()), 0);
    ASSERT_EQ(::unlink((dir / "r.doc.QZ.sha256").c_str()), 0);  // no sums to catch it otherwise
    const auto other = TempDir::pattern(327675, 9);
    host.onDoEvents = [&, done = false]() mutable {
        if (done || engine.iPos() == 0) return;
        ASSERT_EQ(::unlink((dir / "r.doc.QZ2").c_str()), 0);
        TempDir::write(dir / "r.doc.QZ2", other);
        done = true;
    };
    EXPECT_EQ(mergeFrom(dir / "r.doc.QZ1", true), Engine::Outcome::Failed);
    EXPECT_FALSE(TempDir::exists(dir / "r.doc"));
    EXPECT_TRUE(TempDir::read(dir / "r.doc.QZ2") == other);
    EXPECT_EQ(sliceNames(dir.path(), "r.doc").size(), 3u);
}

}  // namespace
}  // namespace qz
