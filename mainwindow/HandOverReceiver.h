#pragma once
// The running window's side of the hand-over: it listens on the instance's
// socket, and each connection brings the bytes of one file name, ended by
// the connection's end (HandOverSender).

#include <QByteArray>
#include <QLocalServer>
#include <QObject>
#include <QString>

namespace qzmainwindow {

class HandOverReceiver : public QObject {
    Q_OBJECT
public:
    // Longer than any path the system takes; a connection that sends more
    // is dropped unread.
    static constexpr qsizetype kMaxBytes = 65536;
    // Connections open at once. More wait in the kernel's queue and then
    // are refused: a window out of descriptors would give up its socket for
    // good. One that sends nothing for long is dropped.
    static constexpr int kMostOpen = 32;
    static constexpr int kIdleMilliseconds = 10000;

    explicit HandOverReceiver(QObject* parent = nullptr);

    // Listens at path, replacing a socket a former holder of the instance
    // lock left there: only the lock's holder may call this. False, with the
    // reason in *why, when it cannot listen.
    bool listen(const QString& path, QString* why);

signals:
    // A second start handed over file, as the bytes of its name.
    void fileHandedOver(const QByteArray& file);

private:
    // Takes the new connections while fewer than kMostOpen are open; each
    // hands over what it brought when it ends.
    void accept();

    QLocalServer server_;
    int open_ = 0;  // connections taken and not yet ended
};

}  // namespace qzmainwindow
