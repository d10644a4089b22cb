#include "FileHandle.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "FileError.h"

namespace qz {

namespace {

struct stat statOf(int fd, const std::string& path) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) throw FileError("stat", path, errno);
    return st;
}

// Closes fd and reports a failure to do so.
void closeOrThrow(int fd, const std::string& path) {
    if (::close(fd) != 0) throw FileError("close", path, errno);
}

}  // namespace

FileHandle::FileHandle(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}

FileHandle::FileHandle(FileHandle&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      path_(std::move(other.path_)),
      end_(other.end_) {}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
        end_ = other.end_;
    }
    return *this;
}

FileHandle::~FileHandle() {
    if (fd_ >= 0) ::close(fd_);
}

FileHandle FileHandle::openRead(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw FileError("open", path, errno);
    FileHandle file(fd, path);
    if (!S_ISREG(statOf(fd, path).st_mode)) throw FileError("not a plain file", path);
    return file;
}

FileHandle FileHandle::createFresh(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        // Only a stale file or a link may be cleared away; a directory, a
        // device or a pipe at a slice's name is the user's, not ours.
        if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode))
            throw FileError("not a plain file", path);
        if (::unlink(path.c_str()) != 0) throw FileError("delete", path, errno);
    } else if (errno != ENOENT) {
        throw FileError("stat", path, errno);
    }
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                    0666);
    if (fd < 0) throw FileError("create", path, errno);
    return FileHandle(fd, path);
}

FileHandle FileHandle::openAppend(const std::string& path, std::uint64_t dev,
                                  std::uint64_t ino) {
    // Not O_APPEND: the kernel's in-place copy refuses such targets. The end
    // is taken once here; nothing else writes to a file this run created.
    int fd = ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) throw FileError("open", path, errno);
    FileHandle file(fd, path);
    struct stat st = statOf(fd, path);
    if (st.st_dev != dev || st.st_ino != ino)
        throw FileError("replaced while being written", path);
    file.end_ = st.st_size;
    return file;
}

std::int64_t FileHandle::length() const { return statOf(fd_, path_).st_size; }

std::pair<std::uint64_t, std::uint64_t> FileHandle::identity() const {
    struct stat st = statOf(fd_, path_);
    return {st.st_dev, st.st_ino};
}

void FileHandle::readAt(std::int64_t offset, void* buf, std::size_t size) const {
    auto* p = static_cast<unsigned char*>(buf);
    while (size > 0) {
        ssize_t got = ::pread(fd_, p, size, offset);
        if (got < 0) {
            if (errno == EINTR) continue;
            throw FileError("read", path_, errno);
        }
        if (got == 0) throw FileError("file ended early", path_);
        p += got;
        size -= static_cast<std::size_t>(got);
        offset += got;
    }
}

void FileHandle::append(const void* buf, std::size_t size) {
    const auto* p = static_cast<const unsigned char*>(buf);
    while (size > 0) {
        ssize_t put = ::pwrite(fd_, p, size, end_);
        if (put < 0) {
            if (errno == EINTR) continue;
            throw FileError("write", path_, errno);
        }
        if (put == 0) throw FileError("write made no progress", path_);
        p += put;
        size -= static_cast<std::size_t>(put);
        end_ += put;
    }
}

bool FileHandle::appendFrom(const FileHandle& input, std::int64_t offset, std::size_t size) {
    bool copied = false;
    while (size > 0) {
        loff_t in = offset, out = end_;
        ssize_t put = ::copy_file_range(input.fd_, &in, fd_, &out, size, 0);
        if (put < 0) {
            if (errno == EINTR) continue;
            // Not offered for this pair of files: the caller copies through
            // its buffer instead, from where nothing was written yet.
            if (!copied && (errno == EXDEV || errno == EINVAL || errno == ENOSYS ||
                            errno == EOPNOTSUPP))
                return false;
            throw FileError("copy", path_, errno);
        }
        if (put == 0) throw FileError("file ended early", input.path_);
        copied = true;
        offset += put;
        end_ += put;
        size -= static_cast<std::size_t>(put);
    }
    return true;
}

void FileHandle::close() {
    if (fd_ < 0) return;
    closeOrThrow(std::exchange(fd_, -1), path_);
}

}  // namespace qz
