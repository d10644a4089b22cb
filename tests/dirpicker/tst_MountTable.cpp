// Which mounts the picker offers as drives, and which drive holds a path.

#include <QtTest>

#include "dirpicker/MountTable.h"

using qzdirpicker::MountTable;

namespace {

// One mountinfo line for a file system of type at path.
QByteArray mount(const char* path, const char* type,
                 const char* optional = "shared:1", const char* device = "8:1") {
    return QByteArray("36 1 ") + device + " / " + path + " rw,relatime " + optional +
           " - " + type + " /dev/sdz rw\n";
}

QStringList paths(const QList<MountTable::Drive>& drives) {
    QStringList p;
    for (const MountTable::Drive& d : drives) p << d.path;
    return p;
}

}  // namespace

class tst_MountTable : public QObject {
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void labelsOfRemovableVolumes();
    void holding_data();
    void holding();
    void readsThisMachine();
};

void tst_MountTable::parse_data() {
    QTest::addColumn<QByteArray>("mountinfo");
    QTest::addColumn<QStringList>("drives");

    QTest::newRow("real mounts kept, pseudo ones left out")
        << mount("/", "ext4") + mount("/proc", "proc") + mount("/sys", "sysfs") +
               mount("/dev", "devtmpfs") + mount("/dev/pts", "devpts") +
               mount("/sys/fs/cgroup", "tmpfs") +
               mount("/sys/fs/cgroup/cpu", "cgroup") + mount("/run", "tmpfs") +
               mount("/run/user/1000", "tmpfs") + mount("/mnt/data", "xfs") +
               mount("/home", "ext4") + mount("/media/usb", "vfat")
        << QStringList{"/", "/home", "/media/usb", "/mnt/data"};
    QTest::newRow("desktop media under /run kept")
        << mount("/", "btrfs") + mount("/run/media/li/STICK", "exfat")
        << QStringList{"/", "/run/media/li/STICK"};
    QTest::newRow("tmpfs outside the system areas kept")
        << mount("/", "ext4") + mount("/tmp", "tmpfs") + mount("/dev/shm", "tmpfs")
        << QStringList{"/", "/tmp"};
    QTest::newRow("snaps and automount points left out")
        << mount("/", "ext4") + mount("/snap/core/1", "squashfs") +
               mount("/mnt/net", "autofs")
        << QStringList{"/"};
    QTest::newRow("escaped blanks, tab and backslash decoded")
        << mount("/media/My\\040Disk", "ntfs") + mount("/mnt/a\\011b\\134c", "ext4")
        << QStringList{"/", "/media/My Disk", "/mnt/a\tb\\c"};
    QTest::newRow("no optional fields, or several")
        << mount("/srv", "ext4", "") + mount("/opt", "ext4", "shared:2 master:3")
        << QStringList{"/", "/opt", "/srv"};
    QTest::newRow("mounted over twice, listed once")
        << mount("/home", "ext4") + mount("/home", "nfs4")
        << QStringList{"/", "/home"};
    // A machine that runs containers and snaps: only its own disks are
    // drives. Seen from inside a container, so is the root.
    QTest::newRow("container and packaging mounts left out")
        << mount("/", "overlay") + mount("/data", "ext4") +
               mount("/var/lib/docker/overlay2/3f1c/merged", "overlay") +
               mount("/var/lib/docker/btrfs/subvolumes/9a2e", "btrfs") +
               mount("/var/lib/docker/volumes/db/_data", "nfs4") +
               mount("/var/lib/containers/storage/overlay/77ab/merged", "overlay") +
               mount("/home/li/.local/share/containers/storage/overlay/5d/merged",
                     "fuse.fuse-overlayfs") +
               mount("/var/lib/kubelet/pods/a1/volumes/cfg", "tmpfs") +
               mount("/var/lib/lxc/web/rootfs", "ext4") +
               mount("/var/snap/lxd/common/lxd/storage-pools/default", "btrfs") +
               mount("/var/lib/snapd/snap/core22/1380", "squashfs") +
               mount("/srv/snapfuse", "fuse.snapfuse") +
               mount("/etc/hosts", "ext4") + mount("/etc/resolv.conf", "ext4") +
               mount("/tmp/.mount_Krita3x", "fuse.Krita.AppImage") +
               mount("/mnt/layers", "aufs")
        << QStringList{"/", "/data"};
    QTest::newRow("Chinese mount path")
        << mount("/media/照片", "vfat") << QStringList{"/", "/media/照片"};
    QTest::newRow("empty or broken table still has the root")
        << QByteArray("garbage\n\n36 1 8:1 / /x rw\n") << QStringList{"/"};
}

void tst_MountTable::parse() {
    QFETCH(QByteArray, mountinfo);
    QFETCH(QStringList, drives);
    QCOMPARE(paths(MountTable::parse(mountinfo)), drives);
}

void tst_MountTable::labelsOfRemovableVolumes() {
    const QByteArray table = mount("/", "ext4", "", "8:2") +
                             mount("/media/li/STICK", "vfat", "", "8:17") +
                             mount("/mnt/备份", "ntfs3", "", "8:33");
    const auto labelOf = [](const QByteArray& device) {
        return device == "8:17" ? QStringLiteral("STICK")
               : device == "8:33" ? QStringLiteral("我的 U盘") : QString();
    };
    const QList<MountTable::Drive> expected{
        {"/", ""}, {"/media/li/STICK", "STICK"}, {"/mnt/备份", "我的 U盘"}};
    QVERIFY(MountTable::parse(table, labelOf) == expected);
}

void tst_MountTable::holding_data() {
    QTest::addColumn<QStringList>("drives");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("drive");

    const QStringList usual{"/", "/home", "/mnt", "/mnt/a"};
    QTest::newRow("below a mount") << usual << "/home/li/video" << "/home";
    QTest::newRow("the mount path itself") << usual << "/home" << "/home";
    QTest::newRow("longest prefix wins") << usual << "/mnt/a/b" << "/mnt/a";
    QTest::newRow("prefix only at a component")
        << usual << "/home2/x" << "/";
    QTest::newRow("the root") << usual << "/" << "/";
    QTest::newRow("no root listed") << QStringList{"/home"} << "/etc" << "/";
}

void tst_MountTable::holding() {
    QFETCH(QStringList, drives);
    QFETCH(QString, path);
    QFETCH(QString, drive);
    QCOMPARE(MountTable::holding(drives, path), drive);
}

// The kernel reports the table's size as 0: it must be read to its end all
// the same.
void tst_MountTable::readsThisMachine() {
    const QStringList drives = paths(MountTable::drives());
    QVERIFY(!drives.isEmpty());
    QCOMPARE(drives.first(), QStringLiteral("/"));
    QVERIFY(!drives.contains(QStringLiteral("/proc")));
}

QTEST_GUILESS_MAIN(tst_MountTable)
#include "tst_MountTable.moc"
