#include "dirpicker/MountTable.h"

#include <QFile>
#include <QMap>
#include <QSet>

#include "dirpicker/PathText.h"
#include "dirpicker/VolumeLabel.h"

namespace qzdirpicker {

namespace {

// File systems that only the kernel and the system's services read and write,
// and those that containers and packaged programs are run from.
const QSet<QByteArray>& pseudoTypes() {
    static const QSet<QByteArray> types{
        "proc",      "sysfs",      "cgroup",      "cgroup2",  "devpts",
        "devtmpfs",  "mqueue",     "debugfs",     "tracefs",  "securityfs",
        "pstore",    "bpf",        "configfs",    "fusectl",  "hugetlbfs",
        "autofs",    "binfmt_misc", "efivarfs",   "rpc_pipefs", "nsfs",
        "selinuxfs", "ramfs",      "squashfs",    "fuse.gvfsd-fuse",
        "fuse.portal",
        // Container layers, and the images of snaps and of programs that
        // carry their own files.
        "overlay",   "aufs",       "shiftfs",     "fuse.fuse-overlayfs",
        "fuse.squashfuse", "fuse.snapfuse", "fuse.lxcfs",
    };
    return types;
}

// True when path is base or lies below it.
bool within(const QString& path, const QString& base) {
    if (base == QLatin1String("/")) return path.startsWith(u'/');
    return path == base || path.startsWith(base + u'/');
}

// Mount areas that belong to the system; removable media that the desktop
// mounts under /run/media are the user's all the same. The areas under /var
// hold the layers, volumes and images of containers and snaps; in /etc a
// container finds the host's name and resolver files mounted one by one.
bool systemArea(const QString& mountPath) {
    if (within(mountPath, QStringLiteral("/run/media"))) return false;
    for (const char* area :
         {"/proc", "/sys", "/dev", "/run", "/snap", "/etc", "/var/lib/docker",
          "/var/lib/containers", "/var/lib/containerd", "/var/lib/kubelet", "/var/lib/lxc",
          "/var/lib/lxd", "/var/lib/incus", "/var/lib/snapd", "/var/snap"})
        if (within(mountPath, QString::fromLatin1(area))) return true;
    return false;
}

// True when a directory on the way to mountPath is hidden: a program's own
// store, such as a user's container layers or a mounted program image.
bool hiddenArea(const QString& mountPath) {
    return mountPath.contains(QStringLiteral("/."));
}

// The kernel writes blanks, tabs, newlines and backslashes in mount paths as
// three octal digits after a backslash.
QByteArray unescape(const QByteArray& field) {
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        bool ok = false;
        const int code =
            field[i] == '\\' ? field.mid(i + 1, 3).toInt(&ok, 8) : 0;
        if (ok && i + 3 < field.size()) {
            out.append(static_cast<char>(code));
            i += 3;
        } else {
            out.append(field[i]);
        }
    }
    return out;
}

}  // namespace

QList<MountTable::Drive> MountTable::drives() {
    QFile table(QStringLiteral("/proc/self/mountinfo"));
    if (!table.open(QIODevice::ReadOnly)) return {{QStringLiteral("/"), QString()}};
    return parse(table.readAll(), [](const QByteArray& device) { return VolumeLabel::of(device); });
}

QList<MountTable::Drive> MountTable::parse(const QByteArray& mountinfo, const LabelOf& labelOf) {
    // By path, which puts "/" first since every mount path starts with "/";
    // a path mounted over keeps the label of what was mounted last.
    QMap<QString, QString> kept{{QStringLiteral("/"), QString()}};
    for (const QByteArray& line : mountinfo.split('\n')) {
        // id parent major:minor root mount-path options [optional...] - type source ...
        const QList<QByteArray> fields = line.simplified().split(' ');
        const qsizetype dash = fields.indexOf("-");
        if (dash < 6 || dash + 1 >= fields.size()) continue;
        const QByteArray& type = fields[dash + 1];
        const QString path = PathText::display(unescape(fields[4]).toStdString());
        if (pseudoTypes().contains(type) || systemArea(path) || hiddenArea(path)) continue;
        kept[path] = labelOf ? labelOf(fields[2]) : QString();
    }
    QList<Drive> drives;
    for (auto it = kept.cbegin(); it != kept.cend(); ++it) drives.append({it.key(), it.value()});
    return drives;
}

QString MountTable::holding(const QStringList& drives, const QString& path) {
    QString best = QStringLiteral("/");
    for (const QString& d : drives)
        if (within(path, d) && d.size() > best.size()) best = d;
    return best;
}

}  // namespace qzdirpicker
