// qzslice: the main window, one instance per user.

#include <QApplication>
#include <cstdio>

#include "engine/Interruption.h"
#include "mainwindow/AppSetup.h"
#include "mainwindow/Form1.h"
#include "mainwindow/InstanceLock.h"

int main(int argc, char** argv) {
    if (!qzmainwindow::AppSetup::haveDisplay()) {
        std::fputs("QZ切片宝需要图形界面会话才能运行 / QZ切片宝 needs a graphical session "
                   "(no DISPLAY or WAYLAND_DISPLAY)\n",
                   stderr);
        return 2;
    }
    // A second instance ends silently, before any window exists.
    qzmainwindow::InstanceLock lock;
    if (!lock.tryAcquire()) return 0;

    // Ended by a signal (a logout, kill, Ctrl-C), the window first lets a
    // running operation remove what it wrote.
    qz::Interruption::install();
    QApplication app(argc, argv);
    qzmainwindow::AppSetup::apply(app);
    qzmainwindow::Form1 window;
    window.show();
    return qz::Interruption::exitStatus(app.exec());
}
