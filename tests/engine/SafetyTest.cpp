// What keeps a user's data safe: a merge joins only a set it checked whole
// and deletes only what it joined; no file shows under its final name before
// it is whole; a replaced file goes only when its successor is whole; the
// permissions of what is copied; a signal mid-way; what a killed run left.

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>

#include "engine/FileServices.h"
#include "engine/Interruption.h"
#include "engine/SliceNames.h"
#include "tests/engine/EngineFixture.h"

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

// Names in d that are a slice name of name, in any case.
std::vector<std::string> sliceNames(const std::string& d, const std::string& name) {
    std::vector<std::string> found;
    for (const auto& e : fs::directory_iterator(d))
        if (SliceNames::sliceIndex(e.path().filename().string(), name) > 0)
            found.push_back(e.path().filename().string());
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
        Spoiled{"LaterSlicesInAnotherCase", "r.doc.QZ1", "gap",
                [](const TempDir& d) {
                    rename(d, "r.doc.QZ2", "r.doc.qz2");
                    rename(d, "r.doc.QZ3", "r.doc.qz3");
                }},
        Spoiled{"ACaseVariantBesideASlice", "r.doc.QZ1", "ambiguous",
                [](const TempDir& d) { fs::copy_file(d / "r.doc.QZ2", d / "r.doc.qZ2"); }},
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
    EXPECT_NE(engine.failureReason().find("changed since it was checked"), std::string::npos);
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
TEST_F(SafetyTest, ALinkOfAnotherUserInASharedFolderIsNotFollowed) {
    if (::geteuid() != 0) GTEST_SKIP() << "giving a link to another user needs root";
    ASSERT_EQ(::mkdir((dir / "shared").c_str(), 0777), 0);
    ASSERT_EQ(::chmod((dir / "shared").c_str(), 01777), 0);
    TempDir::write(dir / "shared/p", TempDir::pattern(200000));
    ASSERT_EQ(splitFile(dir / "shared/p", "2"), Engine::Outcome::Completed);
    fs::rename(dir / "shared/p.QZ2", dir / "private.QZ2");
    ASSERT_EQ(::chmod((dir / "private.QZ2").c_str(), 0600), 0);
    ASSERT_EQ(::symlink((dir / "private.QZ2").c_str(), (dir / "shared/p.QZ2").c_str()), 0);
    ASSERT_EQ(::lchown((dir / "shared/p.QZ2").c_str(), 65534, 65534), 0);
    fs::remove(dir / "shared/p");
    ASSERT_EQ(mergeFrom(dir / "shared/p.QZ1"), Engine::Outcome::Failed);
    EXPECT_NE(engine.failureReason().find("not followed"), std::string::npos)
        << engine.failureReason();
    EXPECT_FALSE(TempDir::exists(dir / "shared/p"));
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

TEST_F(SafetyTest, WhatAKilledRunLeftIsRemovedByTheNextOne) {
    TempDir::write(dir / "r.doc", TempDir::pattern(200000));
    // A process id that cannot be running: above the kernel's limit.
    const std::string dead = ".r.doc.qzpart-4194305-abc123";
    const std::string alive = ".r.doc.qzpart-" + std::to_string(::getppid()) + "-abc123";
    for (const std::string& t : {dead, alive}) TempDir::write(dir / t, {1});
    ASSERT_EQ(splitFile(dir / "r.doc", "2"), Engine::Outcome::Completed);
    EXPECT_EQ(texts(), std::vector<std::string>{"操作完成!"});  // nothing to ask about
    EXPECT_FALSE(TempDir::exists(dir / dead));
    EXPECT_TRUE(TempDir::exists(dir / alive));
}

}  // namespace
}  // namespace qz
