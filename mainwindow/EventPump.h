#pragma once
// The window's DoEvents: runs the pending events, never from inside itself,
// and at most once every interval. The engine asks for a pump after every
// 64 KB chunk; pumping that often would cost more than the copying, while a
// pump every few milliseconds keeps the bar moving and the window answering.

#include <QElapsedTimer>

namespace qzmainwindow {

class EventPump {
public:
    static constexpr int kDefaultIntervalMs = 15;

    explicit EventPump(int intervalMs = kDefaultIntervalMs) : intervalMs_(intervalMs) {}

    // Runs the pending events unless a pump is already running or the last
    // one ended less than the interval ago.
    void pump();
    // The next pump() runs whatever the interval: called as an operation
    // starts, so the window repaints at once in its busy state.
    void restart() { lastEnd_.invalidate(); }
    // Pumps no more often than every ms milliseconds (0: every call).
    void setInterval(int ms) { intervalMs_ = ms; }
    // How many pumps actually ran events.
    int runs() const { return runs_; }

private:
    int intervalMs_;
    bool running_ = false;
    int runs_ = 0;
    QElapsedTimer lastEnd_;
};

}  // namespace qzmainwindow
