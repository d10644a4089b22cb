#include "mainwindow/InstanceLock.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qzmainwindow {

namespace {

constexpr const char* kLockName = "qzslice.lock";
constexpr const char* kChannelName = "qzslice.socket";

// The fallback directory in /tmp, made private to the user; empty when a
// directory of that name exists but is not the user's own.
std::string privateTmpDir() {
    const std::string dir = "/tmp/qzslice-" + std::to_string(::getuid());
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return {};
    struct stat st {};
    if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return {};
    return dir;
}

// $XDG_RUNTIME_DIR, or the private directory in /tmp; empty when neither.
std::string instanceDir() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return (runtime && *runtime) ? std::string(runtime) : privateTmpDir();
}

}  // namespace

std::string InstanceLock::lockPath() {
    const std::string dir = instanceDir();
    return dir.empty() ? std::string() : dir + "/" + kLockName;
}

std::string InstanceLock::channelPath() {
    const std::string dir = instanceDir();
    return dir.empty() ? std::string() : dir + "/" + kChannelName;
}

bool InstanceLock::tryAcquire() {
    if (fd_ >= 0) return true;
    const std::string path = lockPath();
    if (path.empty()) return true;
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return true;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool heldElsewhere = errno == EWOULDBLOCK;
        ::close(fd);
        return !heldElsewhere;
    }
    fd_ = fd;
    return true;
}

InstanceLock::~InstanceLock() {
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace qzmainwindow
