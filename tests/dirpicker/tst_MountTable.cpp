// Which mounts the picker offers as drives, and which drive holds a path.

#include <QtTest>

#include "MountTable.h"

namespace {

// One mountinfo line for a file system of type at path.
QByteArray mount(const char* path, const char* type,
                 const char* optional = "shared:1") {
    return QByteArray("36 1 8:1 / ") + path + " rw,relatime " + optional +
           " - " + type + " /dev/sdz rw\n";
}

}  // namespace

class tst_MountTable : public QObject {
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
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
    QTest::newRow("Chinese mount path")
        << mount("/media/照片", "vfat") << QStringList{"/", "/media/照片"};
    QTest::newRow("empty or broken table still has the root")
        << QByteArray("garbage\n\n36 1 8:1 / /x rw\n") << QStringList{"/"};
}

void tst_MountTable::parse() {
    QFETCH(QByteArray, mountinfo);
    QFETCH(QStringList, drives);
    QCOMPARE(MountTable::parse(mountinfo), drives);
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
    const QStringList drives = MountTable::drives();
    QVERIFY(!drives.isEmpty());
    QCOMPARE(drives.first(), QStringLiteral("/"));
    QVERIFY(!drives.contains(QStringLiteral("/proc")));
}

QTEST_GUILESS_MAIN(tst_MountTable)
#include "tst_MountTable.moc"
