#include "mainwindow/EventPump.h"

#include <QCoreApplication>

namespace qzmainwindow {

void EventPump::pump() {
    if (running_) return;
    if (lastEnd_.isValid() && lastEnd_.elapsed() < intervalMs_) return;
    running_ = true;
    ++runs_;
    QCoreApplication::processEvents();
    running_ = false;
    lastEnd_.start();
}

}  // namespace qzmainwindow
