#include "MountTable.h"

#include <QFile>
#include <QSet>

namespace {

// File systems that only the kernel and the system's services read and write.
const QSet<QByteArray>& pseudoTypes() {
    static const QSet<QByteArray> types{
        "proc",      "sysfs",      "cgroup",      "cgroup2",  "devpts",
        "devtmpfs",  "mqueue",     "debugfs",     "tracefs",  "securityfs",
        "pstore",    "bpf",        "configfs",    "fusectl",  "hugetlbfs",
        "autofs",    "binfmt_misc", "efivarfs",   "rpc_pipefs", "nsfs",
        "selinuxfs", "ramfs",      "squashfs",    "fuse.gvfsd-fuse",
        "fuse.portal",
    };
    return types;
}

// True when path is base or lies below it.
bool within(const QString& path, const QString& base) {
    if (base == QLatin1String("/")) return path.startsWith(u'/');
    return path == base || path.startsWith(base + u'/');
}

// Mount areas that belong to the system; removable media that the desktop
// mounts under /run/media are the user's all the same.
bool systemArea(const QString& mountPath) {
    if (within(mountPath, QStringLiteral("/run/media"))) return false;
    for (const char* area : {"/proc", "/sys", "/dev", "/run", "/snap"})
        if (within(mountPath, QString::fromLatin1(area))) return true;
    return false;
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

std::function<QStringList()>& MountTable::source() {
    static std::function<QStringList()> s;
    return s;
}

void MountTable::setSource(std::function<QStringList()> s) {
    source() = std::move(s);
}

QStringList MountTable::drives() {
    if (source()) return source()();
    QFile table(QStringLiteral("/proc/self/mountinfo"));
    if (!table.open(QIODevice::ReadOnly)) return {QStringLiteral("/")};
    return parse(table.readAll());
}

QStringList MountTable::parse(const QByteArray& mountinfo) {
    QStringList kept{QStringLiteral("/")};
    for (const QByteArray& line : mountinfo.split('\n')) {
        // id parent dev root mount-path options [optional...] - type source ...
        const QList<QByteArray> fields = line.simplified().split(' ');
        const qsizetype dash = fields.indexOf("-");
        if (dash < 6 || dash + 1 >= fields.size()) continue;
        const QByteArray& type = fields[dash + 1];
        const QString path = QString::fromUtf8(unescape(fields[4]));
        if (pseudoTypes().contains(type) || systemArea(path)) continue;
        if (!kept.contains(path)) kept.append(path);
    }
    // Every mount path starts with "/", so "/" itself sorts first.
    kept.sort();
    return kept;
}

QString MountTable::holding(const QStringList& drives, const QString& path) {
    QString best = QStringLiteral("/");
    for (const QString& d : drives)
        if (within(path, d) && d.size() > best.size()) best = d;
    return best;
}
