#include "mainwindow/HandOverReceiver.h"

#include <QLocalSocket>
#include <QTimer>

namespace qzmainwindow {

HandOverReceiver::HandOverReceiver(QObject* parent) : QObject(parent) {
    connect(&server_, &QLocalServer::newConnection, this, &HandOverReceiver::accept);
}

bool HandOverReceiver::listen(const QString& path, QString* why) {
    // The runtime directory is the user's own; the socket is too.
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    // Qt stops accepting once this many wait to be taken.
    server_.setMaxPendingConnections(kMostOpen);
    if (!QLocalServer::removeServer(path)) {
        *why = QStringLiteral("cannot remove the old socket ") + path;
        return false;
    }
    if (server_.listen(path)) return true;
    *why = server_.errorString();
    return false;
}

void HandOverReceiver::accept() {
    while (open_ < kMostOpen) {
        QLocalSocket* socket = server_.nextPendingConnection();
        if (!socket) return;
        ++open_;
        connect(socket, &QObject::destroyed, this, [this] {
            --open_;
            // Those that waited meanwhile.
            QTimer::singleShot(0, this, &HandOverReceiver::accept);
        });
        // What a connection brought waits in its buffer until it ends; one
        // that brings too much, or nothing for long, is dropped, its buffer
        // with it.
        const auto drop = [socket] {
            socket->abort();
            socket->deleteLater();
        };
        connect(socket, &QLocalSocket::readyRead, this, [socket, drop] {
            if (socket->bytesAvailable() > kMaxBytes) drop();
        });
        QTimer::singleShot(kIdleMilliseconds, socket, drop);
        const auto ended = [this, socket] {
            const QByteArray bytes = socket->readAll();
            socket->deleteLater();
            if (!bytes.isEmpty() && bytes.size() <= kMaxBytes) emit fileHandedOver(bytes);
        };
        // One that ended while it waited to be taken says so no more.
        if (socket->state() != QLocalSocket::ConnectedState)
            ended();
        else
            connect(socket, &QLocalSocket::disconnected, this, ended);
    }
}

}  // namespace qzmainwindow
