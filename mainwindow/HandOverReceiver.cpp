#include "mainwindow/HandOverReceiver.h"

#include <QLocalSocket>

namespace qzmainwindow {

HandOverReceiver::HandOverReceiver(QObject* parent) : QObject(parent) {
    connect(&server_, &QLocalServer::newConnection, this, &HandOverReceiver::accept);
}

bool HandOverReceiver::listen(const QString& path, QString* why) {
    // The runtime directory is the user's own; the socket is too.
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (!QLocalServer::removeServer(path)) {
        *why = QStringLiteral("cannot remove the old socket ") + path;
        return false;
    }
    if (server_.listen(path)) return true;
    *why = server_.errorString();
    return false;
}

void HandOverReceiver::accept() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        // What a connection brought waits in its buffer until it ends; one
        // that brings too much is dropped, its buffer with it.
        connect(socket, &QLocalSocket::readyRead, this, [socket] {
            if (socket->bytesAvailable() > kMaxBytes) socket->abort();
        });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
            const QByteArray bytes = socket->readAll();
            socket->deleteLater();
            if (!bytes.isEmpty() && bytes.size() <= kMaxBytes) emit fileHandedOver(bytes);
        });
    }
}

}  // namespace qzmainwindow
