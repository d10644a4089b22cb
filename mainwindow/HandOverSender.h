#pragma once
// The second start's side of the hand-over: the file it was given goes, as
// the bytes of its name and nothing else, to the window already running,
// which reads to the end of the connection (HandOverReceiver). Plain POSIX:
// it runs before, and instead of, any part of Qt.

#include <string>

namespace qzmainwindow {

class HandOverSender {
public:
    // How long a second start waits for the running window to listen: the
    // lock is taken before the window is built, so a start right after
    // another finds the lock held and the socket not there yet.
    static constexpr int kWaitMilliseconds = 5000;

    // Sends file to the window listening at socketPath. False, with the
    // reason in *why, when no window listened there in time or the sending
    // failed.
    static bool send(const std::string& socketPath, const std::string& file, std::string* why);
};

}  // namespace qzmainwindow
