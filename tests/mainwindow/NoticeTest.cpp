// What the desktop hears of a split run from the window, on a private
// session bus watched by dbus-monitor: the launcher's progress while it
// copies and its end, and a notification with the run's last words only when
// the run was long and the window elsewhere. A second connection owns the
// notification server's name, as a desktop's server would.

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <algorithm>
#include <chrono>

#include "tests/mainwindow/FormFixture.h"
#include "tests/support/TempDir.h"

class NoticeTest : public FormFixture {
    Q_OBJECT

    QProcess bus_;
    QString address_;

public:
    ~NoticeTest() override {
        bus_.kill();
        bus_.waitForFinished();
    }

private:

    // Starts this suite's own bus once, before the first form: a form looks
    // for a session bus when it is made.
    void startBus() {
        if (!address_.isEmpty()) return;
        bus_.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--session"), QStringLiteral("--nofork"),
                    QStringLiteral("--print-address=1")});
        QVERIFY2(bus_.waitForReadyRead(10000), "dbus-daemon did not start");
        address_ = QString::fromLatin1(bus_.readLine()).trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", address_.toLatin1());
        QDBusConnection server =
            QDBusConnection::connectToBus(address_, QStringLiteral("notification server"));
        QVERIFY(server.registerService(QStringLiteral("org.freedesktop.Notifications")));
    }

    // Splits a source from the window with the window active or not; seen
    // gets what dbus-monitor saw of the launcher and the notifications
    // meanwhile.
    void splitWatched(bool windowActive, QString& seen) {
        QProcess monitor;
        monitor.start(QStringLiteral("dbus-monitor"),
                      {QStringLiteral("--address"), address_,
                       QStringLiteral("type='signal',interface='com.canonical.Unity.LauncherEntry'"),
                       QStringLiteral("type='method_call',interface='org.freedesktop.Notifications'"),
                       QStringLiteral("type='signal',member='Watched'")});
        // Once monitoring, it says so by the name it loses.
        for (int i = 0; i < 100 && !seen.contains(QStringLiteral("NameLost")); ++i)
            if (monitor.waitForReadyRead(100)) seen += QString::fromUtf8(monitor.readAll());
        QWidget elsewhere;
        if (!windowActive) {
            elsewhere.show();
            elsewhere.activateWindow();
            QTRY_VERIFY_WITH_TIMEOUT(!form->isActiveWindow(), 5000);
        }
        form->adoptSource(QString::fromStdString(makeSource("a.bin", 1000000)));
        control<QLineEdit>("Text2")->setText(QStringLiteral("3"));
        QTest::mouseClick(control<QPushButton>("Command5"), Qt::LeftButton);
        // Sent after the run on the same connection, so seen after it.
        QDBusConnection::sessionBus().send(QDBusMessage::createSignal(
            QStringLiteral("/test"), QStringLiteral("test.Notice"), QStringLiteral("Watched")));
        for (int i = 0; i < 100 && !seen.contains(QStringLiteral("member=Watched")); ++i)
            if (monitor.waitForReadyRead(100)) seen += QString::fromUtf8(monitor.readAll());
        monitor.kill();
        monitor.waitForFinished();
    }

private slots:
    void init() {
        startBus();
        dir = std::make_unique<qz::TempDir>();
        openForm();
        showForm(/*activate=*/true);
    }

    void theLauncherShowsTheProgressUntilTheEnd();
    void aLongRunEndingOutOfSightIsNotified_data();
    void aLongRunEndingOutOfSightIsNotified();
};

void NoticeTest::theLauncherShowsTheProgressUntilTheEnd() {
    QString seen;
    splitWatched(true, seen);
    QVERIFY2(seen.contains(QStringLiteral("member=Watched")), qPrintable(seen));
    // Each update names the menu entry, then its progress and whether it shows.
    static const QRegularExpression update(
        QStringLiteral("string \"application://org.qzslice.qzslice.desktop\".*?"
                       "double ([0-9.e-]+).*?boolean (true|false)"),
        QRegularExpression::DotMatchesEverythingOption);
    QList<double> shown;
    QStringList visible;
    for (auto it = update.globalMatch(seen); it.hasNext();) {
        const auto match = it.next();
        shown << match.captured(1).toDouble();
        visible << match.captured(2);
    }
    QVERIFY2(shown.size() >= 10, qPrintable(seen));
    // From empty to full as the bar grows, then hidden.
    QCOMPARE(shown.first(), 0.0);
    QVERIFY(std::is_sorted(shown.begin(), shown.end() - 1));
    QCOMPARE(shown[shown.size() - 2], 1.0);
    QCOMPARE(visible.count(QStringLiteral("true")), shown.size() - 1);
    QCOMPARE(visible.last(), QStringLiteral("false"));
}

void NoticeTest::aLongRunEndingOutOfSightIsNotified_data() {
    QTest::addColumn<int>("longRunMs");
    QTest::addColumn<bool>("windowActive");
    QTest::addColumn<bool>("notified");
    QTest::newRow("long, elsewhere") << 0 << false << true;
    QTest::newRow("long, watched") << 0 << true << false;
    QTest::newRow("short, elsewhere") << 3600000 << false << false;
}

void NoticeTest::aLongRunEndingOutOfSightIsNotified() {
    QFETCH(int, longRunMs);
    QFETCH(bool, windowActive);
    QFETCH(bool, notified);
    form->desktopNotice().setLongRun(std::chrono::milliseconds(longRunMs));
    QString seen;
    splitWatched(windowActive, seen);
    QVERIFY2(seen.contains(QStringLiteral("member=Watched")), qPrintable(seen));
    QCOMPARE(seen.contains(QStringLiteral("member=Notify")), notified);
    if (notified) {
        // The run's own last words as the body, after the name as summary.
        const qsizetype call = seen.indexOf(QStringLiteral("member=Notify"));
        QVERIFY2(seen.indexOf(QStringLiteral("string \"QZ切片宝\"\n   string \"操作完成!\""), call) >
                     call,
                 qPrintable(seen));
        QVERIFY(seen.indexOf(QStringLiteral("string \"org.qzslice.qzslice\""), call) > call);
    }
}

QTEST_MAIN(NoticeTest)
#include "NoticeTest.moc"
