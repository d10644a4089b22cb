#include "mainwindow/DropHandle.h"

#include <QSysInfo>

namespace qzmainwindow {

namespace {

// A file URL names a file of this machine when it names no host, the local
// host, or this machine by its host name, as some file managers write it.
bool namesThisMachine(const QUrl& url) {
    const QString host = url.host();
    return host.isEmpty() || host == QLatin1String("localhost") ||
           host.compare(QSysInfo::machineHostName(), Qt::CaseInsensitive) == 0;
}

// toLocalFile() would decode the path as UTF-8 and replace what is not; the
// encoded path keeps every byte of the name.
std::string itemPath(const QUrl& url) {
    if (url.isLocalFile() && namesThisMachine(url))
        return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1())
            .toStdString();
    return url.toString().toStdString();
}

}  // namespace

DropHandle::DropHandle(const QList<QUrl>& urls) {
    for (const QUrl& url : urls) paths_.push_back(itemPath(url));
}

void DropHandle::release() {
    paths_.clear();
    ++releases_;
}

}  // namespace qzmainwindow
