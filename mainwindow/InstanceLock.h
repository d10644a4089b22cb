#pragma once
// One running instance per user: an flock on a file in the user's runtime
// directory. The kernel drops the lock when the holder exits in any way, so a
// crashed instance never keeps the next one from starting. Beside the lock,
// the holder listens on a socket through which a second start hands over the
// file it was given (HandOverReceiver, HandOverSender).

#include <string>

namespace qzmainwindow {

class InstanceLock {
public:
    InstanceLock() = default;
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;
    ~InstanceLock();

    // Takes the lock for the life of this object. False only when another
    // process holds it; a lock file that cannot be made at all lets the
    // program run rather than refuse to start.
    bool tryAcquire();

    // $XDG_RUNTIME_DIR/qzslice.lock, or /tmp/qzslice-UID/qzslice.lock (the
    // directory private to the user) when there is no runtime directory.
    static std::string lockPath();
    // The hand-over socket in the same directory; empty when there is none.
    static std::string channelPath();

private:
    int fd_ = -1;
};

}  // namespace qzmainwindow
