#include "engine/io/FileHandle.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "engine/io/FileError.h"
#include "engine/io/Interruption.h"
#include "engine/io/Sys.h"
#include "engine/io/Text.h"

namespace qz {

namespace {

struct stat statOf(int fd, const std::string& path) {
    struct stat st {};
    if (Sys::fstat(fd, &st) != 0) throw FileError(tr("cannot look at"), path, errno);
    return st;
}

// Closes fd and reports a failure to do so.
void closeOrThrow(int fd, const std::string& path) {
    if (Sys::close(fd) != 0) throw FileError(tr("cannot close"), path, errno);
}

int accessFlag(FileHandle::Access access) {
    return access == FileHandle::Access::ReadWrite ? O_RDWR : O_WRONLY;
}

}  // namespace

FileHandle::FileHandle(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}

FileHandle::FileHandle(FileHandle&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      path_(std::move(other.path_)),
      end_(other.end_) {}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) Sys::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
        end_ = other.end_;
    }
    return *this;
}

FileHandle::~FileHandle() {
    if (fd_ >= 0) Sys::close(fd_);
}

FileHandle FileHandle::openRead(const std::string& path, Links links) {
    // Never waits: a name that a FIFO or a device took meanwhile is refused
    // below, not read from.
    const int follow = links == Links::Follow ? 0 : O_NOFOLLOW;
    int fd = Sys::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | follow);
    if (fd < 0) throw FileError(tr("cannot open"), path, errno);
    FileHandle file(fd, path);
    if (!S_ISREG(statOf(fd, path).st_mode)) throw FileError(tr("not a plain file"), path);
    return file;
}

FileHandle FileHandle::pin(const std::string& path) {
    const int fd = Sys::open(path.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) throw FileError(tr("cannot open"), path, errno);
    return FileHandle(fd, path);
}

FileHandle FileHandle::createScratch(const std::string& dir, const std::string& hiddenPath,
                                     unsigned mode) {
    FileHandle file = createUnnamed(dir, mode, hiddenPath, Access::ReadWrite);
    if (file.isOpen()) return file;
    file = createNew(hiddenPath, mode, Access::ReadWrite);
    if (Sys::unlink(hiddenPath.c_str()) != 0)
        throw FileError(tr("cannot delete"), hiddenPath, errno);
    return file;
}

FileHandle FileHandle::duplicateOf(int fd, const std::string& name) {
    const int copy = Sys::dupCloexec(fd);
    if (copy < 0) throw FileError(tr("cannot open"), name, errno);
    return FileHandle(copy, name);
}

bool FileHandle::unnamedCanBeNamed() { return Sys::access("/proc/self/fd", X_OK) == 0; }

FileHandle FileHandle::createUnnamed(const std::string& dir, unsigned mode,
                                     const std::string& path, Access access) {
    int fd = Sys::open(dir.c_str(), O_TMPFILE | accessFlag(access) | O_CLOEXEC, mode);
    if (fd >= 0) return FileHandle(fd, path);
    if (Sys::notOffered(Sys::Call::Open, errno)) return FileHandle();
    throw FileError(tr("cannot create"), path, errno);
}

FileHandle FileHandle::createNew(const std::string& path, unsigned mode, Access access) {
    int fd = Sys::open(path.c_str(), accessFlag(access) | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0) throw FileError(tr("cannot create"), path, errno);
    return FileHandle(fd, path);
}

FileHandle FileHandle::openLock(const std::string& path, bool& created) {
    // Another user's lock file in a shared folder is opened as it is, for
    // reading, which a lock needs no more than: creating over it is refused
    // where the kernel protects such files.
    constexpr int kFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    for (int attempt = 0; attempt < 100; ++attempt) {
        created = false;
        int fd = Sys::open(path.c_str(), kFlags);
        if (fd < 0 && errno == ENOENT) {
            fd = Sys::open(path.c_str(), kFlags | O_CREAT | O_EXCL, 0644);
            created = fd >= 0;
        }
        if (fd >= 0) {
            FileHandle file(fd, path);
            if (!S_ISREG(statOf(fd, path).st_mode)) throw FileError(tr("not a plain file"), path);
            return file;
        }
        if (errno != EEXIST) break;
    }
    throw FileError(tr("cannot lock"), path, errno);
}

void FileHandle::lockIfOffered() {
    if (Sys::flock(fd_, LOCK_EX | LOCK_NB) != 0 && !Sys::notOffered(Sys::Call::Flock, errno))
        throw FileError(tr("cannot lock"), path_, errno);
}

bool FileHandle::tryLockIfOffered() {
    if (Sys::flock(fd_, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno == EWOULDBLOCK) return false;
    if (Sys::notOffered(Sys::Call::Flock, errno)) return true;
    throw FileError(tr("cannot lock"), path_, errno);
}

bool FileHandle::tryLock() {
    if (Sys::flock(fd_, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno == EWOULDBLOCK) return false;
    throw FileError(tr("cannot lock"), path_, errno);
}

FileHandle FileHandle::duplicate() const {
    const int fd = Sys::dupCloexec(fd_);
    if (fd < 0) throw FileError(tr("cannot open"), path_, errno);
    return FileHandle(fd, path_);
}

std::int64_t FileHandle::changeTime() const {
    const struct stat st = statOf(fd_, path_);
    return static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
}

std::int64_t FileHandle::length() const { return statOf(fd_, path_).st_size; }

FileId FileHandle::identity() const {
    struct stat st = statOf(fd_, path_);
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

unsigned FileHandle::mode() const { return statOf(fd_, path_).st_mode & 0777; }

FileOwner FileHandle::owner() const {
    const struct stat st = statOf(fd_, path_);
    return {st.st_uid, st.st_gid};
}

bool FileHandle::giveTo(const FileOwner& owner) {
    if (Sys::fchown(fd_, owner.uid, owner.gid) == 0) return true;
    if (errno == EPERM || errno == EINVAL || errno == ENOSYS) return false;
    throw FileError(tr("cannot set the owner of"), path_, errno);
}

void FileHandle::readAt(std::int64_t offset, void* buf, std::size_t size) const {
    auto* p = static_cast<unsigned char*>(buf);
    while (size > 0) {
        ssize_t got = Sys::pread(fd_, p, size, offset);
        if (got < 0) {
            if (errno == EINTR) continue;
            throw FileError(tr("cannot read"), path_, errno);
        }
        if (got == 0) throw FileError(tr("file ended early"), path_);
        p += got;
        size -= static_cast<std::size_t>(got);
        offset += got;
    }
}

void FileHandle::append(const void* buf, std::size_t size) { writeAt(end_, buf, size); }

void FileHandle::writeAt(std::int64_t offset, const void* buf, std::size_t size) {
    const auto* p = static_cast<const unsigned char*>(buf);
    while (size > 0) {
        ssize_t put = Sys::pwrite(fd_, p, size, offset);
        if (put < 0) {
            if (errno == EINTR) continue;
            throw FileError(tr("cannot write"), path_, errno);
        }
        if (put == 0) throw FileError(tr("cannot write"), path_, ENOSPC);
        p += put;
        size -= static_cast<std::size_t>(put);
        offset += put;
        if (offset > end_) end_ = offset;
    }
}

std::size_t FileHandle::readSome(void* buf, std::size_t size) {
    for (;;) {
        const ssize_t got = Sys::read(fd_, buf, size);
        if (got >= 0) return static_cast<std::size_t>(got);
        if (errno != EINTR) throw FileError(tr("cannot read"), path_, errno);
        Interruption::check();
    }
}

void FileHandle::send(const void* buf, std::size_t size) {
    const auto* p = static_cast<const unsigned char*>(buf);
    while (size > 0) {
        const ssize_t put = Sys::write(fd_, p, size);
        if (put < 0) {
            if (errno != EINTR) throw FileError(tr("cannot write"), path_, errno);
            Interruption::check();
            continue;
        }
        p += put;
        size -= static_cast<std::size_t>(put);
    }
}

std::size_t FileHandle::appendFrom(const FileHandle& input, std::int64_t offset,
                                   std::size_t size) {
    std::size_t moved = 0;
    while (moved < size) {
        loff_t in = offset + static_cast<loff_t>(moved), out = end_;
        const ssize_t put = Sys::copy_file_range(input.fd_, &in, fd_, &out, size - moved);
        if (put < 0 && errno == EINTR) continue;
        // Not offered here, or a failure that does not say which of the two
        // files it concerns: the rest goes through memory, which tells.
        if (put <= 0) break;
        moved += static_cast<std::size_t>(put);
        end_ += put;
    }
    return moved;
}

void FileHandle::startWriteback() {
    if (Sys::sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE) != 0 &&
        !Sys::notOffered(Sys::Call::SyncFileRange, errno))
        throw FileError(tr("cannot flush"), path_, errno);
}

void FileHandle::sync() {
    if (Sys::fsync(fd_) != 0) throw FileError(tr("cannot flush"), path_, errno);
}

void FileHandle::link(const std::string& path) const {
    // The file's entry under /proc names it for linkat without the
    // privilege that linking by descriptor alone would need.
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    if (Sys::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) != 0)
        throw FileError(tr("cannot name"), path, errno);
}

void FileHandle::close() {
    if (fd_ < 0) return;
    closeOrThrow(std::exchange(fd_, -1), path_);
}

}  // namespace qz
