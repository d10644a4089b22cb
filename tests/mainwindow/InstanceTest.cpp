// The program as a process: one instance per user, a lock that dies with its
// holder, the refusal to start without a graphical session, --help and
// --version without one, a second start handing its file to the first, and a
// signal ending the window while a box is up.

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "mainwindow/HandOverReceiver.h"
#include "mainwindow/HandOverSender.h"
#include "mainwindow/InstanceLock.h"

using qzmainwindow::HandOverReceiver;
using qzmainwindow::InstanceLock;

class InstanceTest : public QObject {
    Q_OBJECT

    QTemporaryDir runtime;  // 0700, as a runtime directory must be

    QProcessEnvironment env() {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        e.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        return e;
    }
    void start(QProcess& p) {
        p.setProcessEnvironment(env());
        p.start(QStringLiteral(QZSLICE_EXE), {});
        QVERIFY(p.waitForStarted());
    }
    // True while some process holds the instance lock in our runtime dir.
    bool lockHeld() {
        const QByteArray path = runtime.filePath(QStringLiteral("qzslice.lock")).toLocal8Bit();
        const int fd = ::open(path.constData(), O_RDWR | O_CLOEXEC);
        if (fd < 0) return false;
        const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
        ::close(fd);
        return held;
    }
    void stop(QProcess& p) {
        p.kill();
        p.waitForFinished();
    }

private slots:
    void secondInstanceEndsSilentlyWhileTheFirstRuns();
    void lockOfAKilledInstanceDoesNotBlock();
    void lockIsPerRuntimeDirectoryAndReleasedWithItsHolder();
    void withoutADisplayItSaysSoAndExits2();
    void answersWithoutADisplay_data();
    void answersWithoutADisplay();
    void secondStartHandsOverTheFileBytes_data();
    void secondStartHandsOverTheFileBytes();
    void secondStartReachesTheRunningWindow();
    void aWindowOfAnotherUserIsNotHandedTheFile();
    void manyConnectionsHeldOpenNeverCostTheSocket();
    void signalClosesTheBoxOfADrop_data();
    void signalClosesTheBoxOfADrop();
};

void InstanceTest::secondInstanceEndsSilentlyWhileTheFirstRuns() {
    QProcess first;
    start(first);
    QTRY_VERIFY_WITH_TIMEOUT(lockHeld(), 10000);

    QProcess second;
    QElapsedTimer clock;
    clock.start();
    start(second);
    QVERIFY(second.waitForFinished(5000));
    QVERIFY(clock.elapsed() < 3000);
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QVERIFY(second.readAllStandardOutput().isEmpty());
    QVERIFY(second.readAllStandardError().isEmpty());
    QCOMPARE(first.state(), QProcess::Running);
    stop(first);
}

void InstanceTest::lockOfAKilledInstanceDoesNotBlock() {
    QProcess crashed;
    start(crashed);
    QTRY_VERIFY_WITH_TIMEOUT(lockHeld(), 10000);
    stop(crashed);  // SIGKILL: no clean-up of its own runs
    QVERIFY(!lockHeld());

    QProcess next;
    start(next);
    QVERIFY(!next.waitForFinished(1500));  // it runs instead of ending
    QVERIFY(lockHeld());
    stop(next);
}

void InstanceTest::lockIsPerRuntimeDirectoryAndReleasedWithItsHolder() {
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    QCOMPARE(QString::fromStdString(InstanceLock::lockPath()),
             runtime.filePath(QStringLiteral("qzslice.lock")));
    {
        InstanceLock mine;
        QVERIFY(mine.tryAcquire());
        QVERIFY(lockHeld());
        // The same process asking again through a second lock is refused:
        // flock locks belong to the open file, not the process.
        InstanceLock again;
        QVERIFY(!again.tryAcquire());
    }
    QVERIFY(!lockHeld());

    qunsetenv("XDG_RUNTIME_DIR");
    const std::string fallback = InstanceLock::lockPath();
    QCOMPARE(QString::fromStdString(fallback),
             QStringLiteral("/tmp/qzslice-%1/qzslice.lock").arg(::getuid()));
}

void InstanceTest::withoutADisplayItSaysSoAndExits2() {
    // None at all, or one that leads nowhere.
    for (const char* display : {"", ":97"}) {
        QProcessEnvironment e = env();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            e.remove(QLatin1String(name));
        if (*display) e.insert(QStringLiteral("DISPLAY"), QLatin1String(display));
        QProcess p;
        p.setProcessEnvironment(e);
        p.start(QStringLiteral(QZSLICE_EXE), {});
        QVERIFY(p.waitForFinished(5000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 2);
        const QString said = QString::fromUtf8(p.readAllStandardError());
        QCOMPARE(said.count(u'\n'), 1);
        QVERIFY(said.contains(QStringLiteral("图形")));
        QVERIFY(said.contains(QLatin1String("graphical session")));
        QVERIFY(!lockHeld());
    }
}

void InstanceTest::answersWithoutADisplay_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    const QString version = QStringLiteral("qzslice " QZSLICE_VERSION "\n");
    QTest::newRow("--help") << QStringList{"--help"} << 0 << "qzslice [FILE]" << "";
    QTest::newRow("-h after a file") << QStringList{"x.QZ1", "-h"} << 0 << "--version" << "";
    QTest::newRow("--version") << QStringList{"--version"} << 0 << version << "";
    QTest::newRow("-V") << QStringList{"-V"} << 0 << version << "";
    QTest::newRow("unknown option")
        << QStringList{"--bogus"} << 2 << "" << "unknown option --bogus";
    QTest::newRow("two files") << QStringList{"a", "b"} << 2 << "" << "only one FILE";
}

void InstanceTest::answersWithoutADisplay() {
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QProcessEnvironment e = env();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        e.remove(QLatin1String(name));
    QProcess p;
    p.setProcessEnvironment(e);
    p.start(QStringLiteral(QZSLICE_EXE), args);
    QVERIFY(p.waitForFinished(5000));
    QCOMPARE(p.exitCode(), status);
    const QString said = QString::fromUtf8(p.readAllStandardOutput());
    const QString complained = QString::fromUtf8(p.readAllStandardError());
    QVERIFY2(out.isEmpty() ? said.isEmpty() : said.contains(out), qPrintable(said));
    QVERIFY2(err.isEmpty() ? complained.isEmpty() : complained.contains(err),
             qPrintable(complained));
    QVERIFY(!lockHeld());
}

void InstanceTest::secondStartHandsOverTheFileBytes_data() {
    // The words after the program's name, as a shell reads them: printf
    // makes the bytes no QString argument could carry.
    QTest::addColumn<QString>("words");
    QTest::addColumn<QByteArray>("received");  // relative to the working directory
    QTest::newRow("absolute") << "'/m nt/影片.mkv.QZ1'" << QByteArray("/m nt/影片.mkv.QZ1");
    QTest::newRow("relative, not UTF-8")
        << "\"$(printf 'sub/clip\\377\\376.QZ1')\"" << QByteArray("sub/clip\xff\xfe.QZ1");
    QTest::newRow("named like an option") << "-- -x.QZ1" << QByteArray("-x.QZ1");
    QTest::newRow("no file") << "" << QByteArray();
}

void InstanceTest::secondStartHandsOverTheFileBytes() {
    QFETCH(QString, words);
    QFETCH(QByteArray, received);
    // This test is the running window: it holds the lock and listens.
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    InstanceLock mine;
    QVERIFY(mine.tryAcquire());
    HandOverReceiver receiver;
    QString why;
    QVERIFY2(receiver.listen(QString::fromStdString(InstanceLock::channelPath()), &why),
             qPrintable(why));
    QSignalSpy handed(&receiver, &HandOverReceiver::fileHandedOver);

    QProcess second;
    second.setProcessEnvironment(env());
    second.setWorkingDirectory(runtime.path());
    second.start(QStringLiteral("/bin/sh"),
                 {QStringLiteral("-c"), QStringLiteral("exec \"$0\" ") + words,
                  QStringLiteral(QZSLICE_EXE)});
    QVERIFY(second.waitForFinished(5000));
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(second.readAllStandardError(), QByteArray());
    QCOMPARE(second.readAllStandardOutput(), QByteArray());
    if (received.isEmpty()) {
        QTest::qWait(200);
        QCOMPARE(handed.count(), 0);
        return;
    }
    if (!received.startsWith('/')) received = runtime.path().toLocal8Bit() + '/' + received;
    QTRY_COMPARE(handed.count(), 1);
    QCOMPARE(handed.at(0).at(0).toByteArray(), received);
}

void InstanceTest::secondStartReachesTheRunningWindow() {
    QProcess first;
    QProcessEnvironment e = env();
    e.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("qzslice.boxes.debug=true"));
    first.setProcessEnvironment(e);
    first.start(QStringLiteral(QZSLICE_EXE), {});
    QVERIFY(first.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(lockHeld(), 10000);
    QProcess second;
    second.setProcessEnvironment(env());
    second.start(QStringLiteral(QZSLICE_EXE), {runtime.filePath(QStringLiteral("x.QZ1"))});
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.readAllStandardError(), QByteArray());
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(first.state(), QProcess::Running);
    // The first window took the file as a drop: there is none such.
    QByteArray said;
    QTRY_VERIFY_WITH_TIMEOUT(
        (said += first.readAllStandardError()).contains("box opens: 找不到指定的文件名!"), 10000);
    stop(first);
}

// Root whose runtime directory is another user's (su without -) finds that
// user's window listening: it hands over nothing, and says why.
void InstanceTest::aWindowOfAnotherUserIsNotHandedTheFile() {
    if (::geteuid() != 0) QSKIP("needs root, to listen as another user");
    QTemporaryDir theirs;
    QCOMPARE(::chmod(theirs.path().toLocal8Bit().constData(), 0777), 0);
    const std::string path = theirs.filePath(QStringLiteral("channel")).toStdString();
    int ready[2];
    QCOMPARE(::pipe(ready), 0);
    const pid_t them = ::fork();
    if (them == 0) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (::setgid(65534) != 0 || ::setuid(65534) != 0 ||
            ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(fd, 4) != 0 || ::write(ready[1], "l", 1) != 1)
            ::_exit(1);
        ::pause();
        ::_exit(0);
    }
    char listening = 0;
    const bool up = ::read(ready[0], &listening, 1) == 1;
    std::string why;
    const bool sent = up && qzmainwindow::HandOverSender::send(path, "/tmp/file", &why);
    ::kill(them, SIGKILL);
    ::waitpid(them, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    QVERIFY(up);
    QVERIFY(!sent);
    QVERIFY2(why.find("another user's") != std::string::npos, why.c_str());
}

// Hundreds of connections held open, more than the descriptors left: the
// window takes a few at a time, keeps its socket, and a later start still
// hands its file over.
void InstanceTest::manyConnectionsHeldOpenNeverCostTheSocket() {
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    InstanceLock mine;
    QVERIFY(mine.tryAcquire());
    HandOverReceiver receiver;
    QString why;
    const std::string path = InstanceLock::channelPath();
    QVERIFY2(receiver.listen(QString::fromStdString(path), &why), qPrintable(why));
    QSignalSpy handed(&receiver, &HandOverReceiver::fileHandedOver);
    rlimit before{};
    QCOMPARE(::getrlimit(RLIMIT_NOFILE, &before), 0);
    rlimit few = before;
    few.rlim_cur = std::min<rlim_t>(before.rlim_cur, 1024);
    QCOMPARE(::setrlimit(RLIMIT_NOFILE, &few), 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    std::vector<int> held;
    for (int k = 0; k < 700; ++k) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) break;
        held.push_back(fd);
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        if (k % 50 == 0) QTest::qWait(20);  // the window takes what it takes
    }
    QTest::qWait(200);
    // A start now waits its turn in the queue, says its file and goes.
    const pid_t second = ::fork();
    if (second == 0) {
        for (const int fd : held) ::close(fd);  // the window's queue stays full
        std::string failure;
        ::_exit(qzmainwindow::HandOverSender::send(path, "/tmp/after.QZ1", &failure) ? 0 : 1);
    }
    QTest::qWait(300);
    for (const int fd : held) ::close(fd);
    ::setrlimit(RLIMIT_NOFILE, &before);
    QTRY_VERIFY(handed.count() >= 1);
    int status = -1;
    QCOMPARE(::waitpid(second, &status, 0), second);
    QCOMPARE(status, 0);
    QCOMPARE(handed.last().at(0).toByteArray(), QByteArray("/tmp/after.QZ1"));
}

void InstanceTest::signalClosesTheBoxOfADrop_data() {
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGINT") << SIGINT;
}

void InstanceTest::signalClosesTheBoxOfADrop() {
    QFETCH(int, signal);
    QProcess window;
    QProcessEnvironment e = env();
    e.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("qzslice.boxes.debug=true"));
    window.setProcessEnvironment(e);
    // A missing file, taken as a drop at start: "找不到指定的文件名!".
    window.start(QStringLiteral(QZSLICE_EXE), {runtime.filePath(QStringLiteral("gone.mkv"))});
    QVERIFY(window.waitForStarted());
    QByteArray said;
    QTRY_VERIFY_WITH_TIMEOUT(
        (said += window.readAllStandardError()).contains("box opens: 找不到指定的文件名!"), 10000);

    QCOMPARE(::kill(pid_t(window.processId()), signal), 0);
    QVERIFY(window.waitForFinished(5000));
    // By its status after the clean-up, or by the signal itself.
    if (window.exitStatus() == QProcess::CrashExit)
        QCOMPARE(window.exitCode(), signal);
    else
        QCOMPARE(window.exitCode(), 128 + signal);
    QVERIFY(!lockHeld());
}

QTEST_GUILESS_MAIN(InstanceTest)
#include "InstanceTest.moc"
