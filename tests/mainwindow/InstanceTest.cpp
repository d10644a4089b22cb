// The program as a process: one instance per user, a lock that dies with its
// holder, and the refusal to start without a graphical session.

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "mainwindow/InstanceLock.h"

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
    QProcessEnvironment e = env();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        e.remove(QLatin1String(name));
    QProcess p;
    p.setProcessEnvironment(e);
    p.start(QStringLiteral(QZSLICE_EXE), {});
    QVERIFY(p.waitForFinished(5000));
    QCOMPARE(p.exitCode(), 2);
    const QString said = QString::fromUtf8(p.readAllStandardError());
    QCOMPARE(said.count(u'\n'), 1);
    QVERIFY(said.contains(QStringLiteral("图形")));
    QVERIFY(said.contains(QLatin1String("graphical session")));
    QVERIFY(!lockHeld());
}

QTEST_GUILESS_MAIN(InstanceTest)
#include "InstanceTest.moc"
