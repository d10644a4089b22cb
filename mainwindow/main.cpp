// qzslice: the main window, one instance per user.

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "dirpicker/PathText.h"
#include "engine/io/Interruption.h"
#include "mainwindow/AppSetup.h"
#include "mainwindow/Form1.h"
#include "mainwindow/HandOverReceiver.h"
#include "mainwindow/HandOverSender.h"
#include "mainwindow/InstanceLock.h"
#include "mainwindow/StartArguments.h"

namespace {

using qzmainwindow::StartArguments;

// --help, --version or a usage error: printed, and the exit status.
int answerWithoutWindow(const StartArguments& args) {
    if (args.action == StartArguments::Action::UsageError) {
        std::cerr << "qzslice: " << args.error << "\n"
                  << "用 qzslice --help 查看用法 / Try 'qzslice --help' for more information.\n";
        return 2;
    }
    if (args.action == StartArguments::Action::Help)
        std::cout << StartArguments::usage();
    else
        std::cout << "qzslice " << QZSLICE_VERSION << '\n';
    return std::cout.flush() ? 0 : 1;
}

// A second start with a file hands it to the running window; without one it
// ends silently, as it always has.
int handOver(const StartArguments& args) {
    if (!args.file) return 0;
    std::string why;
    if (qzmainwindow::HandOverSender::send(qzmainwindow::InstanceLock::channelPath(), *args.file,
                                           &why))
        return 0;
    std::cerr << "qzslice: 无法把文件交给已打开的窗口 / cannot hand the file to the open window: "
              << why << '\n';
    return 1;
}

// Qt's own handler of its messages, while startMessage stands in for it.
QtMessageHandler qtMessages = nullptr;

// Qt's messages while it connects to the display: where it cannot (a
// DISPLAY that leads nowhere), its fatal end is our one line and exit
// status 2, as without any display, and its words on the way are kept back.
void startMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        std::fputs("QZ切片宝无法连接图形界面会话 / QZ切片宝 cannot reach the graphical session\n",
                   stderr);
        std::_Exit(2);
    }
    if (context.category && std::strncmp(context.category, "qt.qpa", 6) == 0) return;
    if (qtMessages)
        qtMessages(type, context, text);
    else
        std::cerr << qFormatLogMessage(type, context, text).toStdString() << '\n';
}

// The window, until it closes; its exit status.
int runWindow(const StartArguments& args, char** argv) {
    // Ended by a signal (a logout, kill, Ctrl-C), the window first lets a
    // running operation remove what it wrote.
    qz::Interruption::install();
    // Qt sees no argument of ours: a file named like one of its options
    // stays a file.
    int qtArgc = 1;
    qtMessages = qInstallMessageHandler(startMessage);
    QApplication app(qtArgc, argv);
    qInstallMessageHandler(qtMessages);
    qzmainwindow::AppSetup::apply(app);
    qzmainwindow::Form1 window;

    // Without the socket the window still runs; a second start then says
    // that it could not hand its file over.
    qzmainwindow::HandOverReceiver receiver;
    const std::string channel = qzmainwindow::InstanceLock::channelPath();
    QString why;
    if (!channel.empty() && !receiver.listen(QString::fromLocal8Bit(channel), &why))
        std::cerr << "qzslice: " << why.toStdString() << '\n';
    QObject::connect(&receiver, &qzmainwindow::HandOverReceiver::fileHandedOver, &window,
                     &qzmainwindow::Form1::openFile);

    window.show();
    // Once the window is up, as a drop onto it would come.
    if (args.file)
        QTimer::singleShot(0, &window,
                           [&window, file = QByteArray::fromStdString(*args.file)] {
                               window.openFile(file);
                           });
    return app.exec();
}

}  // namespace

int main(int argc, char** argv) {
    const StartArguments args =
        StartArguments::parse({argv + 1, argv + argc}, qzdirpicker::PathText::currentDirectory());
    if (args.action != StartArguments::Action::Run) return answerWithoutWindow(args);
    if (!qzmainwindow::AppSetup::haveDisplay()) {
        std::fputs("QZ切片宝需要图形界面会话才能运行 / QZ切片宝 needs a graphical session "
                   "(no DISPLAY or WAYLAND_DISPLAY)\n",
                   stderr);
        return 2;
    }
    // A second instance goes before any window exists.
    qzmainwindow::InstanceLock lock;
    if (!lock.tryAcquire()) return handOver(args);

    const int status = runWindow(args, argv);
    // Every object of the window is gone by now, the hand-over socket too.
    qz::Interruption::endBySignal();
    return status;
}
