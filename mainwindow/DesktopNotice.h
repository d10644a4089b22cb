#pragma once
// What the desktop hears of a run, through the session bus: its progress on
// the program's launcher (a dock or task bar that follows
// com.canonical.Unity.LauncherEntry shows it on the program's icon), and,
// when the run took long and the window is not the active one at its end, a
// notification with the text the run ends with. Where no session bus is
// there, nothing is sent and none is started.

#include <QString>
#include <chrono>

namespace qzmainwindow {

class DesktopNotice {
public:
    // How long a run must have taken for its end to be worth a notification.
    static constexpr std::chrono::milliseconds kLongRun = std::chrono::seconds(10);

    // desktopId names the program's menu entry, without ".desktop".
    explicit DesktopNotice(QString desktopId);

    // A run's copying begins: its time counts, and the launcher shows its
    // progress from here.
    void copyingStarted();
    // The running copy is fraction (0 to 1) done; the launcher is told of
    // every whole percent.
    void progressed(double fraction);
    // The run ends with a message box saying text; windowActive: the window
    // is the one the user is at. The launcher's progress goes; a run that
    // took kLongRun or more, with the window elsewhere, is notified.
    void finished(const QString& text, bool windowActive);
    // The run is over, whichever way: any progress still shown goes.
    void stopped();
    // Whether a run's copying is under way.
    bool copying() const { return copying_; }

    // The run length that counts as long; kLongRun unless changed.
    void setLongRun(std::chrono::milliseconds length) { longRun_ = length; }

private:
    // Whether this session has a bus of its own to talk to: one named in
    // DBUS_SESSION_BUS_ADDRESS or the user's bus in XDG_RUNTIME_DIR. Never
    // one that asking would start.
    static bool haveSessionBus();
    // The launcher's progress: shown at fraction, or hidden.
    void showProgress(double fraction, bool visible);
    // A desktop notification saying text.
    void notify(const QString& text);

    const QString desktopId_;
    const bool bus_;
    std::chrono::milliseconds longRun_ = kLongRun;
    bool copying_ = false;
    std::chrono::steady_clock::time_point startedAt_;
    int percentShown_ = -1;  // the whole percent the launcher shows; -1: none
};

}  // namespace qzmainwindow
