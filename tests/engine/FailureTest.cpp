// Real file failures: a full device, a save location below a plain file,
// files that shrink or vanish mid-way, a slice that cannot be deleted. Each
// must end on the error path and leave no half-written file behind.

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <new>
#include <system_error>

#include "engine/set/SliceNames.h"
#include "engine/io/Sys.h"
#include "tests/engine/EngineFixture.h"

namespace qz {
namespace {

// A tmpfs of its own for one test, where we may mount. fill() takes all the
// space still free, as another program writing there would: what a run finds
// after its check of the free space said yes.
class SmallDevice {
public:
    SmallDevice(const std::string& where, const char* size) : path_(where) {
        ::mkdir(path_.c_str(), 0755);
        mounted_ = ::mount("tmpfs", path_.c_str(), "tmpfs", 0, size) == 0;
    }
    ~SmallDevice() {
        empty();
        if (mounted_) ::umount(path_.c_str());
    }
    bool mounted() const { return mounted_; }
    std::string path() const { return path_ + "/"; }

    // The space is held by a file without a name, so that the folder shows
    // only what a run left there.
    void fill() {
        if (filled()) return;
        filler_ = ::open(path_.c_str(), O_TMPFILE | O_WRONLY, 0600);
        static const char block[4096] = {};
        while (filler_ >= 0 && ::write(filler_, block, sizeof block) > 0) {
        }
    }
    bool filled() const { return filler_ >= 0; }
    void empty() {
        if (filled()) ::close(filler_);
        filler_ = -1;
    }

private:
    std::string path_;
    bool mounted_ = false;
    int filler_ = -1;
};

// How a run meets a device that fills up mid-way.
struct MidWay {
    bool throughBuffer;
    bool namedTemporaries;
};

class FailureTest : public EngineTest {
protected:
    void expectErrorPath() {
        ASSERT_FALSE(host.shown.empty());
        EXPECT_EQ(host.shown.back().text, "切片错误");
        EXPECT_EQ(host.shown.back().title, "出错");
        EXPECT_FALSE(host.picture1Visible);
        EXPECT_TRUE(host.frame1Enabled && host.command5Enabled);
        EXPECT_EQ(engine.iPos(), 0);
        EXPECT_FALSE(engine.inputOpen());
    }
    std::size_t entriesIn(const std::string& d) {
        return std::distance(std::filesystem::directory_iterator(d),
                             std::filesystem::directory_iterator());
    }

    // A device that fills up mid-way, once the check of its free space has
    // let the run start: small is filled just before the run's second write,
    // in the kernel or through memory, whichever the run takes.
    Engine::Outcome runFillingMidWay(const MidWay& row, SmallDevice& small) {
        useOptions({.throughBuffer = row.throughBuffer, .namedTemporaries = row.namedTemporaries});
        for (const auto call : {Sys::Call::Pwrite, Sys::Call::CopyFileRange})
            Sys::atNth(call, 2, [&small] { small.fill(); });
        const auto outcome = engine.Command5_Click();
        Sys::clearFaults();
        EXPECT_TRUE(small.filled()) << "the run wrote less than twice";
        small.empty();
        if (outcome == Engine::Outcome::Failed) {
            expectErrorPath();
            EXPECT_NE(engine.failureReason().find(std::strerror(ENOSPC)), std::string::npos)
                << engine.failureReason();
        }
        return outcome;
    }
};

// Once through each way, and once with named temporaries, which must then
// be removed.
constexpr MidWay kMidWay[] = {{false, false}, {true, true}};

TEST_F(FailureTest, FullDeviceDuringSplitLeavesNoSlices) {
    SmallDevice small(dir / "small", "size=2m");
    if (!small.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    const auto bytes = TempDir::pattern(1000000);
    TempDir::write(dir / "big", bytes);
    // A split hashes what it copies, so it writes through memory either way:
    // here the rows differ in the temporaries.
    for (const MidWay& row : kMidWay) {
        host.option1_0 = true;
        choose(dir / "big");
        host.text2 = "3";
        host.text3 = small.path();
        ASSERT_EQ(runFillingMidWay(row, small), Engine::Outcome::Failed) << row.throughBuffer;
        EXPECT_EQ(entriesIn(small.path()), 0u);  // no slice, no sums, no temporary
        EXPECT_TRUE(TempDir::read(dir / "big") == bytes);
    }
}

TEST_F(FailureTest, FullDeviceDuringMergeLeavesNoOutput) {
    SmallDevice small(dir / "small", "size=3m");  // room for the set and its output
    if (!small.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    // The set on the device itself and without its sums: joined in the
    // kernel, which copies only within one file system, unless the row
    // sends it through memory.
    const std::string big = small.path() + "big";
    TempDir::write(big, TempDir::pattern(1000000));
    ASSERT_EQ(splitFile(big, "3"), Engine::Outcome::Completed);
    ASSERT_EQ(::unlink(big.c_str()), 0);
    ASSERT_EQ(::unlink((big + ".QZ.sha256").c_str()), 0);
    for (const MidWay& row : kMidWay) {
        host.option1_0 = false;
        host.check1 = true;
        choose(big + ".QZ1");
        host.text3 = small.path();
        ASSERT_EQ(runFillingMidWay(row, small), Engine::Outcome::Failed) << row.throughBuffer;
        EXPECT_EQ(entriesIn(small.path()), 3u);  // the slices alone
        EXPECT_EQ(sliceSizes(small.path(), "big"),
                  (std::vector<std::int64_t>{327675, 327675, 344650}));
    }
}

// A run the target cannot hold is refused before anything is written there,
// saying why, rather than failing once the device is full.
TEST_F(FailureTest, NoRoomOnTheTargetIsRefusedFirst) {
    SmallDevice small(dir / "small", "size=256k");
    if (!small.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    TempDir::write(dir / "big", TempDir::pattern(1000000));
    ASSERT_EQ(splitFile(dir / "big", "3"), Engine::Outcome::Completed);
    for (const bool split : {true, false}) {
        host.option1_0 = split;
        choose(dir / (split ? "big" : "big.QZ1"));
        host.text3 = small.path();
        ASSERT_EQ(engine.Command5_Click(), Engine::Outcome::Failed);
        expectErrorPath();
        EXPECT_NE(engine.failureReason().find("not enough free space"), std::string::npos)
            << engine.failureReason();
        EXPECT_EQ(entriesIn(small.path()), 0u);
    }
}

TEST_F(FailureTest, SaveLocationBelowAPlainFileFailsBeforeBusy) {
    TempDir::write(dir / "src", TempDir::pattern(200000));
    TempDir::write(dir / "plain", {1});
    choose(dir / "src");
    host.text3 = dir / "plain/";
    ASSERT_EQ(engine.Command5_Click(), Engine::Outcome::Failed);
    expectErrorPath();
    EXPECT_EQ(host.caption, "QZ切片宝 V1.3优化版");  // the busy state was never entered

    // In a merge the listing is the slices' own, so the failure comes when
    // the output is created, after the bar has been shown.
    ASSERT_EQ(splitFile(dir / "src", "2"), Engine::Outcome::Completed);
    ASSERT_EQ(::unlink((dir / "src").c_str()), 0);
    host.option1_0 = false;
    choose(dir / "src.QZ1");
    host.text3 = dir / "plain/";
    ASSERT_EQ(engine.Command5_Click(), Engine::Outcome::Failed);
    expectErrorPath();
    EXPECT_EQ(host.caption, "QZ切片宝V1.3优化版");
    EXPECT_EQ(sliceSizes(dir.path(), "src").size(), 2u);
}

TEST_F(FailureTest, SourceThatShrinksMidwayIsAnError) {
    for (bool throughBuffer : {false, true}) {
        useOptions({.throughBuffer = throughBuffer});
        TempDir::write(dir / "src", TempDir::pattern(1000000));
        host.onDoEvents = [&] {
            // Past the new end, once slice 1 has begun.
            if (engine.iPos() > 0 && TempDir::size(dir / "src") > 200000) {
                ASSERT_EQ(::truncate((dir / "src").c_str(), 200000), 0);
            }
        };
        ASSERT_EQ(splitFile(dir / "src", "3"), Engine::Outcome::Failed) << throughBuffer;
        expectErrorPath();
        EXPECT_TRUE(sliceSizes(dir.path(), "src").empty());
    }
}

// A source written to in place while it is split, its size the same: the
// slices would mix old and new bytes, and their sums prove such a set whole.
TEST_F(FailureTest, SourceRewrittenInPlaceMidwayIsAnError) {
    TempDir::write(dir / "src", TempDir::pattern(1000000));
    bool rewritten = false;
    host.onDoEvents = [&] {
        if (rewritten || engine.iPos() < 500000) return;  // slice 1 is copied
        // Past the clock's tick, so that the change time can tell.
        ::usleep(20000);
        const int fd = ::open((dir / "src").c_str(), O_WRONLY | O_CLOEXEC);
        rewritten = fd >= 0 && ::pwrite(fd, "x", 1, 0) == 1 && ::close(fd) == 0;
    };
    ASSERT_EQ(splitFile(dir / "src", "3"), Engine::Outcome::Failed);
    ASSERT_TRUE(rewritten);
    expectErrorPath();
    EXPECT_NE(engine.failureReason().find("the source changed while it was read"),
              std::string::npos) << engine.failureReason();
    EXPECT_EQ(entriesIn(dir.path()), 1u);
}

TEST_F(FailureTest, SaveDirectoryThatVanishesMidwayIsAnError) {
    TempDir other;
    TempDir::write(dir / "src", TempDir::pattern(1000000));
    const std::string gone = other / "gone/";
    ASSERT_EQ(::mkdir(gone.c_str(), 0755), 0);
    choose(dir / "src");
    host.text2 = "3";
    host.text3 = gone;
    host.onDoEvents = [&] {
        if (engine.iPos() > 400000) std::filesystem::remove_all(gone);  // into slice 2
    };
    ASSERT_EQ(engine.Command5_Click(), Engine::Outcome::Failed);
    expectErrorPath();
    EXPECT_TRUE(TempDir::size(dir / "src") == 1000000);
}

TEST_F(FailureTest, SliceThatVanishesMidMergeKeepsTheRest) {
    const auto bytes = TempDir::pattern(1000000);
    TempDir::write(dir / "src", bytes);
    ASSERT_EQ(splitFile(dir / "src", "3"), Engine::Outcome::Completed);
    ASSERT_EQ(::unlink((dir / "src").c_str()), 0);
    host.onDoEvents = [&] {
        if (engine.iPos() > 0) ::unlink((dir / "src.QZ3").c_str());  // while slice 1 is joined
    };
    ASSERT_EQ(mergeFrom(dir / "src.QZ1", true), Engine::Outcome::Failed);
    expectErrorPath();
    EXPECT_FALSE(TempDir::exists(dir / "src"));
    EXPECT_EQ(TempDir::size(dir / "src.QZ1"), 327675);
    EXPECT_EQ(TempDir::size(dir / "src.QZ2"), 327675);
}

TEST_F(FailureTest, ASliceThatCannotBeDeletedKeepsTheWholeOutput) {
    TempDir out;
    const auto bytes = TempDir::pattern(300000);
    const std::string set = dir / "set", ro = dir / "ro";
    ASSERT_EQ(::mkdir(set.c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(ro.c_str(), 0755), 0);
    TempDir::write(set + "/src", bytes);
    ASSERT_EQ(splitFile(set + "/src", "2"), Engine::Outcome::Completed);
    // The slices seen through a read-only mount: readable, not deletable.
    if (::mount(set.c_str(), ro.c_str(), nullptr, MS_BIND, nullptr) != 0)
        GTEST_SKIP() << "cannot bind-mount here (needs root)";
    const bool readOnly =
        ::mount(nullptr, ro.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
    if (readOnly) {
        host.option1_0 = false;
        host.check1 = true;
        choose(ro + "/src.QZ1");
        host.text3 = out.path();
        EXPECT_EQ(engine.Command5_Click(), Engine::Outcome::Unfinished);
    }
    ::umount(ro.c_str());
    if (!readOnly) GTEST_SKIP() << "cannot make a read-only mount here";
    expectErrorPath();
    EXPECT_TRUE(TempDir::read(out / "src") == bytes);
    EXPECT_EQ(sliceSizes(set + "/", "src").size(), 2u);
}

// Calls the system could refuse at any time, made to fail through the
// engine's seam: a split whose slice 2 cannot be flushed, one whose
// write-back beside the copy cannot be started, and a merge whose finished
// output cannot take the place of the older one. Each
// ends on the error path with the system's reason and leaves what was there
// before.
TEST_F(FailureTest, ARefusedCallLeavesWhatWasThereBefore) {
    struct Row {
        bool split;
        Sys::Call call;
        long nth;
        std::int64_t size;
    };
    for (const Row row : {Row{true, Sys::Call::Fsync, 2, 300000},
                          Row{true, Sys::Call::SyncFileRange, 1, 40 << 20},
                          Row{false, Sys::Call::Rename, 1, 300000}}) {
        const auto bytes = TempDir::pattern(row.size);
        TempDir::write(dir / "src", bytes);
        if (!row.split) {
            ASSERT_EQ(splitFile(dir / "src", "2"), Engine::Outcome::Completed);
            TempDir::write(dir / "src", {7});
            host.answers = {MsgAnswer::Yes};
        }
        useOptions({.namedTemporaries = !row.split});
        Sys::failNth(row.call, row.nth, EIO);
        const auto outcome = row.split ? splitFile(dir / "src", "2") : mergeFrom(dir / "src.QZ1");
        Sys::clearFaults();
        ASSERT_EQ(outcome, Engine::Outcome::Failed) << row.split;
        expectErrorPath();
        EXPECT_NE(engine.failureReason().find(std::strerror(EIO)), std::string::npos)
            << engine.failureReason();
        EXPECT_EQ(sliceSizes(dir.path(), "src").size(), row.split ? 0u : 2u);
        EXPECT_EQ(TempDir::size(dir / "src"), row.split ? row.size : 1);
        EXPECT_EQ(entriesIn(dir.path()), row.split ? 1u : 4u);  // no temporary left; a merge's set has its sums
        std::filesystem::remove_all(dir.path());
        std::filesystem::create_directory(dir.path());
    }
}

// Past the point of no return, the whole output stays and the reason says
// so: where it is, and which slices were deleted and which were not.
TEST_F(FailureTest, AFailureAfterTheOutputIsNamedSaysTheOutputIsWhole) {
    struct Row {
        Sys::Call call;
        long nth;
        const char* says;
        std::size_t slicesLeft;
    };
    const Row rows[] = {
        {Sys::Call::Fsync, 2, "no slice was deleted", 3},  // the output's folder
        {Sys::Call::Unlink, 2, "deleted: src.QZ1\nnot deleted: src.QZ2 src.QZ3", 2},
    };
    for (const Row& row : rows) {
        const auto bytes = TempDir::pattern(1000000);
        TempDir::write(dir / "src", bytes);
        ASSERT_EQ(splitFile(dir / "src", "3"), Engine::Outcome::Completed);
        ASSERT_EQ(::unlink((dir / "src").c_str()), 0);
        Sys::failNth(row.call, row.nth, EIO);
        const auto outcome = mergeFrom(dir / "src.QZ1", true);
        Sys::clearFaults();
        EXPECT_EQ(outcome, Engine::Outcome::Unfinished);
        EXPECT_EQ(host.shown.back().text, "切片错误");
        EXPECT_TRUE(TempDir::read(dir / "src") == bytes);
        const std::string& reason = engine.failureReason();
        EXPECT_NE(reason.find("the output is whole: " + (dir / "src")), std::string::npos) << reason;
        EXPECT_NE(reason.find(row.says), std::string::npos) << reason;
        EXPECT_NE(reason.find(std::strerror(EIO)), std::string::npos) << reason;
        EXPECT_EQ(entriesIn(dir.path()), row.slicesLeft + 2);  // and the output, the sums
        std::filesystem::remove_all(dir.path());
        std::filesystem::create_directory(dir.path());
    }
}

// Each reason names the file that failed: the slice being written, not its
// folder; the slice being read, not the output a kernel copy wrote to.
TEST_F(FailureTest, TheReasonNamesTheFileThatFailed) {
    TempDir::write(dir / "src", TempDir::pattern(300000));
    Sys::failNth(Sys::Call::Pwrite, 1, ENOSPC);
    ASSERT_EQ(splitFile(dir / "src", "2"), Engine::Outcome::Failed);
    EXPECT_NE(engine.failureReason().find("cannot write: " + (dir / "src.QZ1") + ": " +
                                          std::strerror(ENOSPC)),
              std::string::npos) << engine.failureReason();

    ASSERT_EQ(splitFile(dir / "src", "2"), Engine::Outcome::Completed);
    ASSERT_EQ(::unlink((dir / "src.QZ.sha256").c_str()), 0);  // joined in the kernel then
    TempDir out;
    Sys::failNth(Sys::Call::CopyFileRange, 1, EIO);
    Sys::failNth(Sys::Call::Pread, 1, EIO);
    host.option1_0 = false;
    choose(dir / "src.QZ1");
    host.text3 = out.path();
    ASSERT_EQ(engine.Command5_Click(), Engine::Outcome::Failed);
    Sys::clearFaults();
    EXPECT_NE(engine.failureReason().find("cannot read: " + (dir / "src.QZ1") + ": " +
                                          std::strerror(EIO)),
              std::string::npos) << engine.failureReason();
}

// A name that a FIFO took between choosing and operating is refused at
// once, not waited on for a writer that never comes.
TEST_F(FailureTest, ASourceReplacedByAFifoIsRefusedWithoutWaiting) {
    TempDir::write(dir / "src", TempDir::pattern(300000));
    choose(dir / "src");
    ASSERT_EQ(::unlink((dir / "src").c_str()), 0);
    ASSERT_EQ(::mkfifo((dir / "src").c_str(), 0644), 0);
    host.text2 = "2";
    ASSERT_EQ(engine.Command5_Click(), Engine::Outcome::Failed);
    EXPECT_NE(engine.failureReason().find("not a plain file"), std::string::npos);
}

// What the standard library throws mid-way (no memory, no thread) ends on
// the error path with its reason, like any failure of a file: nothing the
// run wrote is left, its lock neither, and the window goes on.
TEST_F(FailureTest, WhatTheStandardLibraryThrowsEndsOnTheErrorPath) {
    struct Row {
        bool split;
        std::function<void()> raise;
        std::string reason;
    };
    const Row rows[] = {
        {true, [] { throw std::bad_alloc(); }, "not enough memory"},
        {false, [] { throw std::system_error(EAGAIN, std::generic_category()); },
         std::strerror(EAGAIN)},
    };
    for (const Row& row : rows) {
        TempDir::write(dir / "src", TempDir::pattern(1000000));
        if (!row.split) {
            ASSERT_EQ(splitFile(dir / "src", "2"), Engine::Outcome::Completed);
            std::filesystem::remove(dir / "src");
        }
        const std::size_t before = entriesIn(dir.path());
        useOptions({.namedTemporaries = true});
        const int third = host.doEventsCalls + 3;
        host.onDoEvents = [&] {
            if (host.doEventsCalls == third) row.raise();
        };
        const auto outcome = row.split ? splitFile(dir / "src", "2") : mergeFrom(dir / "src.QZ1");
        host.onDoEvents = nullptr;
        ASSERT_EQ(outcome, Engine::Outcome::Failed) << row.split;
        expectErrorPath();
        EXPECT_NE(engine.failureReason().find(row.reason), std::string::npos)
            << engine.failureReason();
        EXPECT_EQ(entriesIn(dir.path()), before) << row.split;  // no temporary, no lock
        std::filesystem::remove_all(dir.path());
        std::filesystem::create_directory(dir.path());
    }
}

// A close that fails anywhere in a split ends it one of two ways: the whole
// set, completed, or nothing and the error path. The source is only read:
// its close failing cannot fail a set that is whole.
TEST_F(FailureTest, AFailedCloseLeavesAWholeSetOrNothing) {
    const auto bytes = TempDir::pattern(300000);
    TempDir::write(dir / "src", bytes);
    useOptions({.namedTemporaries = true});
    for (long nth = 1;; ++nth) {
        bool reached = false;
        Sys::atNth(Sys::Call::Close, nth, [&] { reached = true; });
        ASSERT_EQ(splitFile(dir / "src", "2"), Engine::Outcome::Completed);
        Sys::clearFaults();
        if (!reached) break;
        for (const auto& name : {"src.QZ1", "src.QZ2", "src.QZ.sha256"})
            std::filesystem::remove(dir / name);
        Sys::failNth(Sys::Call::Close, nth, EIO);
        const auto outcome = splitFile(dir / "src", "2");
        Sys::clearFaults();
        if (outcome == Engine::Outcome::Completed) {
            EXPECT_EQ(sliceSizes(dir.path(), "src").size(), 2u) << nth;
            EXPECT_EQ(entriesIn(dir.path()), 4u) << nth;
        } else {
            EXPECT_EQ(outcome, Engine::Outcome::Failed) << nth;
            EXPECT_EQ(entriesIn(dir.path()), 1u) << nth;
        }
        for (const auto& name : {"src.QZ1", "src.QZ2", "src.QZ.sha256"})
            std::filesystem::remove(dir / name);
    }
}

// A split of 999 slices keeps them all open until they take their names:
// under the usual soft limit of 1 024 descriptors, with some already open,
// it raises the limit as a merge does rather than fail at slice 990-odd.
TEST_F(FailureTest, NineHundredNinetyNineSlicesFitTheDescriptorLimit) {
    rlimit before{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &before), 0);
    if (before.rlim_max != RLIM_INFINITY && before.rlim_max < 1100)
        GTEST_SKIP() << "the hard limit of open files is below what 999 slices need";
    rlimit usual = before;
    usual.rlim_cur = 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &usual), 0);
    std::vector<int> busy;
    for (int k = 0; k < 26; ++k) busy.push_back(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    TempDir::write(dir / "src", TempDir::pattern(999 * 65536 + 999));
    const auto outcome = splitFile(dir / "src", "999");
    for (const int fd : busy) ::close(fd);
    ::setrlimit(RLIMIT_NOFILE, &before);
    EXPECT_EQ(outcome, Engine::Outcome::Completed) << engine.failureReason();
    EXPECT_EQ(sliceSizes(dir.path(), "src").size(), 999u);
}

// Sizes near the largest a file may have (sparse files, nothing in them)
// do not wrap around: the set they make is no set, and a split of one is
// refused for the space it would need, before a byte is written.
TEST_F(FailureTest, SizesNearTheLargestAFileHasDoNotWrapAround) {
    SmallDevice small(dir / "small", "size=1m");
    if (!small.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    constexpr std::int64_t kLargest = std::numeric_limits<std::int64_t>::max();
    const std::string on = small.path();
    const std::int64_t third = kLargest / 2 / 65535 * 65535;
    for (const char* slice : {"s.QZ1", "s.QZ2", "s.QZ3"}) {
        TempDir::write(on + slice, {});
        ASSERT_EQ(::truncate((on + slice).c_str(), third), 0);
    }
    EXPECT_EQ(mergeFrom(on + "s.QZ1"), Engine::Outcome::Failed);
    EXPECT_NE(engine.failureReason().find("more bytes than a file can"), std::string::npos)
        << engine.failureReason();
    TempDir::write(on + "f", {});
    ASSERT_EQ(::truncate((on + "f").c_str(), kLargest), 0);
    EXPECT_EQ(splitFile(on + "f", "2"), Engine::Outcome::Failed);
    EXPECT_NE(engine.failureReason().find("not enough free space"), std::string::npos)
        << engine.failureReason();
    EXPECT_EQ(entriesIn(on), 4u);  // the three slices and f: nothing written
}

}  // namespace
}  // namespace qz
