#include "engine/io/Sys.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <stdio.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <functional>
#include <mutex>
#include <utility>

namespace qz {

namespace {

struct Fault {
    long countdown = 0;  // uses until the failing one; 0: none asked for
    int err = 0;
    std::function<void()> before;  // run instead of failing, when set
};

std::array<Fault, static_cast<std::size_t>(Sys::Call::kCount)> faults;
std::mutex faultsMutex;  // files are flushed on several threads at once
std::atomic<bool> armed{false};  // whether any fault is asked for: most runs ask none

// True, with errno set, when this use of call is the one a test asked to fail.
bool injected(Sys::Call call) {
    if (!armed.load(std::memory_order_relaxed)) return false;
    std::function<void()> before;
    int err = 0;
    {
        const std::lock_guard lock(faultsMutex);
        Fault& f = faults[static_cast<std::size_t>(call)];
        if (f.countdown == 0 || --f.countdown != 0) return false;
        before = f.before;
        err = f.err;
    }
    if (before) {
        before();
        return false;
    }
    errno = err;
    return true;
}

}  // namespace

int Sys::open(const char* path, int flags, unsigned mode) {
    return injected(Call::Open) ? -1 : ::open(path, flags, mode);
}

int Sys::fstat(int fd, struct stat* st) {
    return injected(Call::Fstat) ? -1 : ::fstat(fd, st);
}

int Sys::stat(const char* path, struct stat* st) {
    return injected(Call::Stat) ? -1 : ::stat(path, st);
}

int Sys::lstat(const char* path, struct stat* st) {
    return injected(Call::Lstat) ? -1 : ::lstat(path, st);
}

ssize_t Sys::pread(int fd, void* buf, std::size_t size, off_t offset) {
    return injected(Call::Pread) ? -1 : ::pread(fd, buf, size, offset);
}

ssize_t Sys::pwrite(int fd, const void* buf, std::size_t size, off_t offset) {
    return injected(Call::Pwrite) ? -1 : ::pwrite(fd, buf, size, offset);
}

ssize_t Sys::read(int fd, void* buf, std::size_t size) {
    return injected(Call::Read) ? -1 : ::read(fd, buf, size);
}

ssize_t Sys::write(int fd, const void* buf, std::size_t size) {
    return injected(Call::Write) ? -1 : ::write(fd, buf, size);
}

ssize_t Sys::copy_file_range(int in, loff_t* inOff, int out, loff_t* outOff, std::size_t size) {
    return injected(Call::CopyFileRange) ? -1 : ::copy_file_range(in, inOff, out, outOff, size, 0);
}


int Sys::sync_file_range(int fd, off_t offset, off_t size, unsigned flags) {
    return injected(Call::SyncFileRange) ? -1 : ::sync_file_range(fd, offset, size, flags);
}

int Sys::fsync(int fd) { return injected(Call::Fsync) ? -1 : ::fsync(fd); }

int Sys::linkat(int fromDir, const char* from, int toDir, const char* to, int flags) {
    return injected(Call::Linkat) ? -1 : ::linkat(fromDir, from, toDir, to, flags);
}

int Sys::close(int fd) {
    if (!injected(Call::Close)) return ::close(fd);
    // A failed close still releases the descriptor, as the kernel's does.
    ::close(fd);
    errno = faults[static_cast<std::size_t>(Call::Close)].err;
    return -1;
}

int Sys::rename(const char* from, const char* to) {
    return injected(Call::Rename) ? -1 : ::rename(from, to);
}

int Sys::renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned flags) {
    return injected(Call::Renameat2) ? -1 : ::renameat2(fromDir, from, toDir, to, flags);
}

int Sys::unlink(const char* path) { return injected(Call::Unlink) ? -1 : ::unlink(path); }

DIR* Sys::opendir(const char* path) {
    return injected(Call::Opendir) ? nullptr : ::opendir(path);
}

dirent* Sys::readdir(DIR* dir) {
    if (injected(Call::Readdir)) return nullptr;
    errno = 0;
    return ::readdir(dir);
}

int Sys::access(const char* path, int how) {
    return injected(Call::Access) ? -1 : ::access(path, how);
}

int Sys::dupCloexec(int fd) {
    return injected(Call::Dup) ? -1 : ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
}

int Sys::flock(int fd, int operation) {
    return injected(Call::Flock) ? -1 : ::flock(fd, operation);
}

int Sys::allowOpenFiles(unsigned long want) {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return -1;
    if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur >= want) return 0;
    limit.rlim_cur = limit.rlim_max == RLIM_INFINITY ? want : std::min<rlim_t>(want, limit.rlim_max);
    return ::setrlimit(RLIMIT_NOFILE, &limit);
}

int Sys::statvfs(const char* path, struct statvfs* st) {
    return injected(Call::Statvfs) ? -1 : ::statvfs(path, st);
}

int Sys::statfs(const char* path, struct statfs* st) {
    return injected(Call::Statfs) ? -1 : ::statfs(path, st);
}

long Sys::pathconf(const char* path, int name) {
    if (injected(Call::Pathconf)) return -1;
    errno = 0;
    return ::pathconf(path, name);
}

int Sys::fchown(int fd, uid_t owner, gid_t group) {
    return injected(Call::Fchown) ? -1 : ::fchown(fd, owner, group);
}

uid_t Sys::geteuid() { return ::geteuid(); }

bool Sys::notOffered(Call call, int err) {
    // A container's or a snap's filter answers EPERM for the calls it does
    // not know; only for these is EPERM not about the file itself.
    const bool filtered = call == Call::CopyFileRange || call == Call::Renameat2 ||
                          call == Call::SyncFileRange;
    // ENOSYS: an older kernel; EOPNOTSUPP and EINVAL: this file system or
    // these flags; EXDEV: not between these two file systems; EISDIR: an
    // older kernel's answer to O_TMPFILE; ESPIPE: not for this kind of file.
    // ENOLCK: no lock service for this volume (NFS without it).
    return err == ENOSYS || err == EOPNOTSUPP || err == EINVAL || err == EXDEV ||
           err == EISDIR || err == ESPIPE || (filtered && err == EPERM) ||
           (call == Call::Flock && err == ENOLCK);
}

void Sys::failNth(Call call, long nth, int err) {
    const std::lock_guard lock(faultsMutex);
    faults[static_cast<std::size_t>(call)] = {nth, err, nullptr};
    armed = true;
}

void Sys::atNth(Call call, long nth, std::function<void()> action) {
    const std::lock_guard lock(faultsMutex);
    faults[static_cast<std::size_t>(call)] = {nth, 0, std::move(action)};
    armed = true;
}

void Sys::clearFaults() {
    const std::lock_guard lock(faultsMutex);
    faults = {};
    armed = false;
}

}  // namespace qz
