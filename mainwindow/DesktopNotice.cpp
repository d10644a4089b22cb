#include "mainwindow/DesktopNotice.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>
#include <QStringList>
#include <QVariantMap>
#include <algorithm>
#include <cmath>
#include <utility>

namespace qzmainwindow {

namespace {

// Where this program sends its launcher's progress from; any path of its own.
const char* const kLauncherPath = "/org/qzslice/qzslice/LauncherEntry";

}  // namespace

DesktopNotice::DesktopNotice(QString desktopId)
    : desktopId_(std::move(desktopId)), bus_(haveSessionBus()) {}

bool DesktopNotice::haveSessionBus() {
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) return true;
    // Without an address, the bus library looks for the user's bus socket,
    // and failing that would start a bus of its own for an X display.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo(runtime + QStringLiteral("/bus")).exists();
}

void DesktopNotice::copyingStarted() {
    copying_ = true;
    startedAt_ = std::chrono::steady_clock::now();
    percentShown_ = -1;
    progressed(0);
}

void DesktopNotice::progressed(double fraction) {
    if (!copying_) return;
    const int percent = static_cast<int>(std::floor(std::clamp(fraction, 0.0, 1.0) * 100));
    if (percent == percentShown_) return;
    percentShown_ = percent;
    showProgress(percent / 100.0, true);
}

void DesktopNotice::finished(const QString& text, bool windowActive) {
    if (!copying_) return;
    const bool longRun = std::chrono::steady_clock::now() - startedAt_ >= longRun_;
    stopped();
    if (longRun && !windowActive) notify(text);
}

void DesktopNotice::stopped() {
    if (!copying_) return;
    copying_ = false;
    percentShown_ = -1;
    showProgress(0, false);
}

void DesktopNotice::showProgress(double fraction, bool visible) {
    if (!bus_) return;
    QDBusMessage update = QDBusMessage::createSignal(QString::fromLatin1(kLauncherPath),
                                                     QStringLiteral("com.canonical.Unity.LauncherEntry"),
                                                     QStringLiteral("Update"));
    update << QStringLiteral("application://%1.desktop").arg(desktopId_)
           << QVariantMap{{QStringLiteral("progress"), fraction},
                          {QStringLiteral("progress-visible"), visible}};
    // A launcher that missed one update gets the next: nothing to do when
    // the bus refused this one.
    static_cast<void>(QDBusConnection::sessionBus().send(update));
}

void DesktopNotice::notify(const QString& text) {
    if (!bus_) return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // Application name, no notification to replace, icon, summary, body,
    // no actions, the menu entry for the desktop to group it under, and the
    // server's own timeout.
    call << QStringLiteral("QZ切片宝") << 0u << QStringLiteral("qzslice")
         << QStringLiteral("QZ切片宝") << text << QStringList()
         << QVariantMap{{QStringLiteral("desktop-entry"), desktopId_}} << -1;
    // Sent without waiting for the server's answer, which the window has no
    // use for; a desktop without a notification server just shows none.
    static_cast<void>(QDBusConnection::sessionBus().send(call));
}

}  // namespace qzmainwindow
