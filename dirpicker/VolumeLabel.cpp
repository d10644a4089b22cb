#include "dirpicker/VolumeLabel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cctype>

namespace qzdirpicker {

namespace {

// True when the block device whose sysfs directory is deviceDir can be
// unplugged: its disk says so, or it sits on a USB bus, since USB disks often
// call themselves fixed.
bool removable(const QString& deviceDir) {
    // A partition's disk is the directory above it.
    const QString disk = QFileInfo::exists(deviceDir + QStringLiteral("/partition"))
                             ? QFileInfo(deviceDir).path()
                             : deviceDir;
    QFile flag(disk + QStringLiteral("/removable"));
    if (flag.open(QIODevice::ReadOnly) && flag.readAll().trimmed() == "1") return true;
    return deviceDir.contains(QStringLiteral("/usb"));
}

}  // namespace

QString VolumeLabel::of(const QByteArray& device) {
    return of(device, QStringLiteral("/dev/disk/by-label"), QStringLiteral("/sys/dev/block"));
}

QString VolumeLabel::of(const QByteArray& device, const QString& byLabel,
                        const QString& sysDevBlock) {
    const QString deviceDir =
        QFileInfo(sysDevBlock + u'/' + QString::fromLatin1(device)).canonicalFilePath();
    if (deviceDir.isEmpty() || !removable(deviceDir)) return {};
    const QString name = QFileInfo(deviceDir).fileName();
    // The links lead to /dev/<name>; a link that leads nowhere is listed too.
    const QDir links(byLabel, QString(), QDir::Name, QDir::Files | QDir::System | QDir::Hidden);
    for (const QFileInfo& link : links.entryInfoList())
        if (QFileInfo(link.symLinkTarget()).fileName() == name) return decoded(link.fileName());
    return {};
}

QString VolumeLabel::decoded(const QString& linkName) {
    const QByteArray in = QFile::encodeName(linkName);
    QByteArray out;
    for (qsizetype i = 0; i < in.size(); ++i) {
        const bool escape = in.mid(i, 2) == "\\x" && i + 3 < in.size() &&
                            std::isxdigit(static_cast<unsigned char>(in[i + 2])) &&
                            std::isxdigit(static_cast<unsigned char>(in[i + 3]));
        if (escape) {
            out.append(static_cast<char>(in.mid(i + 2, 2).toInt(nullptr, 16)));
            i += 3;
        } else {
            out.append(in[i]);
        }
    }
    return QString::fromUtf8(out);
}

}  // namespace qzdirpicker
