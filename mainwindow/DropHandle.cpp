#include "DropHandle.h"

namespace {

QString itemPath(const QUrl& url) {
    if (url.isLocalFile() && (url.host().isEmpty() || url.host() == QLatin1String("localhost")))
        return url.path(QUrl::FullyDecoded);
    return url.toString();
}

}  // namespace

DropHandle::DropHandle(const QList<QUrl>& urls) {
    for (const QUrl& url : urls) paths_ << itemPath(url);
}

void DropHandle::release() {
    paths_.clear();
    ++releases_;
}
