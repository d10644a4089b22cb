#include "mainwindow/HandOverSender.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

namespace qzmainwindow {

namespace {

constexpr int kRetryMilliseconds = 50;

std::string failure(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

// A connected socket to path, or -1 with *why set. A socket that is not
// there yet, or not yet accepting, is tried again until the wait is over.
int connectTo(const std::string& path, std::string* why) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        *why = "socket path too long: " + path;
        return -1;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    for (int waited = 0;; waited += kRetryMilliseconds) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            *why = failure("socket");
            return -1;
        }
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
            return fd;
        const int error = errno;
        ::close(fd);  // never connected: nothing of ours to lose
        errno = error;
        const bool notYet = error == ENOENT || error == ECONNREFUSED || error == EAGAIN;
        if (!notYet || waited >= HandOverSender::kWaitMilliseconds) {
            *why = failure(("connect " + path).c_str());
            return -1;
        }
        timespec pause{0, kRetryMilliseconds * 1000000L};
        while (::nanosleep(&pause, &pause) != 0 && errno == EINTR) {
        }
    }
}

// Writes all of data to fd; MSG_NOSIGNAL, so that a window that went away
// makes this fail rather than end the program.
bool sendAll(int fd, const std::string& data, std::string* why) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            *why = failure("send");
            return false;
        }
        done += std::size_t(n);
    }
    return true;
}

// Whether the window listening at the other end of fd runs as this user:
// root whose runtime directory is another user's (su without -) must not
// hand them its file name. False with *why set otherwise.
bool peerIsOurs(int fd, std::string* why) {
    ucred peer{};
    socklen_t size = sizeof peer;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0) {
        *why = failure("getsockopt SO_PEERCRED");
        return false;
    }
    if (peer.uid == ::geteuid()) return true;
    *why = "the window listening there is another user's (uid " + std::to_string(peer.uid) + ")";
    return false;
}

}  // namespace

bool HandOverSender::send(const std::string& socketPath, const std::string& file,
                          std::string* why) {
    const int fd = connectTo(socketPath, why);
    if (fd < 0) return false;
    const bool sent = peerIsOurs(fd, why) && sendAll(fd, file, why);
    // The end of the connection marks the end of the name.
    if (::close(fd) != 0 && sent) {
        *why = failure("close");
        return false;
    }
    return sent;
}

}  // namespace qzmainwindow
