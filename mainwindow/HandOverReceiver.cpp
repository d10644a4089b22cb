#include "mainwindow/HandOverReceiver.h"

#include <QLocalSocket>
#include <memory>

namespace qzmainwindow {

namespace {

// What one connection brought so far.
struct Incoming {
    QByteArray bytes;
    bool tooLong = false;
};

}  // namespace

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
        auto incoming = std::make_shared<Incoming>();
        connect(socket, &QLocalSocket::readyRead, this, [socket, incoming] {
            const QByteArray more = socket->readAll();
            if (incoming->tooLong) return;
            incoming->bytes += more;
            if (incoming->bytes.size() <= kMaxBytes) return;
            incoming->tooLong = true;
            incoming->bytes.clear();
            socket->disconnectFromServer();
        });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket, incoming] {
            if (!incoming->tooLong) incoming->bytes += socket->readAll();
            socket->deleteLater();
            if (incoming->tooLong || incoming->bytes.isEmpty() ||
                incoming->bytes.size() > kMaxBytes)
                return;
            emit fileHandedOver(incoming->bytes);
        });
    }
}

}  // namespace qzmainwindow
