#include "dirpicker/MountTable.h"

#include <sys/sysmacros.h>

#include <QMap>
#include <QSet>

#include "dirpicker/PathText.h"
#include "dirpicker/VolumeLabel.h"
#include "engine/io/MountInfo.h"

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

// The drives among mounts, each labelled by labelOf (none without it): "/"
// first, then in path order.
QList<MountTable::Drive> drivesOf(const std::vector<qz::MountInfo::Mount>& mounts,
                                  const MountTable::LabelOf& labelOf) {
    // By path, which puts "/" first since every mount path starts with "/";
    // a path mounted over keeps the label of what was mounted last.
    QMap<QString, QString> kept{{QStringLiteral("/"), QString()}};
    for (const qz::MountInfo::Mount& mount : mounts) {
        const QString path = PathText::display(mount.point);
        if (pseudoTypes().contains(QByteArray::fromStdString(mount.type)) || systemArea(path) ||
            hiddenArea(path))
            continue;
        const QByteArray device =
            QByteArray::number(major(mount.device)) + ':' + QByteArray::number(minor(mount.device));
        kept[path] = labelOf ? labelOf(device) : QString();
    }
    QList<MountTable::Drive> drives;
    for (auto it = kept.cbegin(); it != kept.cend(); ++it) drives.append({it.key(), it.value()});
    return drives;
}

}  // namespace

QList<MountTable::Drive> MountTable::drives() {
    return drivesOf(qz::MountInfo::read(),
                    [](const QByteArray& device) { return VolumeLabel::of(device); });
}

QList<MountTable::Drive> MountTable::parse(const QByteArray& mountinfo, const LabelOf& labelOf) {
    return drivesOf(qz::MountInfo::parse(mountinfo.toStdString()), labelOf);
}

QString MountTable::holding(const QStringList& drives, const QString& path) {
    QString best = QStringLiteral("/");
    for (const QString& d : drives)
        if (within(path, d) && d.size() > best.size()) best = d;
    return best;
}

}  // namespace qzdirpicker
