// Labels of removable volumes, read from a made-up sysfs and by-label
// directory laid out as udev and the kernel lay out the real ones.

#include <QtTest>

#include "dirpicker/VolumeLabel.h"

using qzdirpicker::VolumeLabel;

class tst_VolumeLabel : public QObject {
    Q_OBJECT
private slots:
    void init();
    void labelOf_data();
    void labelOf();
    void decoded_data();
    void decoded();

private:
    // A block device numbered number whose sysfs directory is devicePath
    // below sys/devices; its disk's removable flag, when flag is not null.
    void device(const QString& number, const QString& devicePath, const char* flag);
    // A by-label link named linkName that leads to /dev/name.
    void labelLink(const QString& linkName, const QString& name);

    std::unique_ptr<QTemporaryDir> tmp_;
    QString sys_, byLabel_;
};

void tst_VolumeLabel::init() {
    tmp_ = std::make_unique<QTemporaryDir>();
    QVERIFY(tmp_->isValid());
    sys_ = tmp_->path() + "/sys";
    byLabel_ = tmp_->path() + "/by-label";
    QVERIFY(QDir().mkpath(sys_ + "/dev/block"));
    QVERIFY(QDir().mkpath(byLabel_));

    const QString usb = "pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0/block";
    const QString sata = "pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0/block";
    device("8:17", usb + "/sdb/sdb1", "1");    // a USB stick
    device("8:33", usb + "/sdc/sdc1", "0");    // a USB disk that calls itself fixed
    device("8:2", sata + "/sda/sda2", "0");    // the machine's own disk
    // A card in the machine's own reader: removable, on no USB bus.
    device("179:1", "pci0000:00/0000:00:1c.0/mmc_host/mmc0/mmc0:aaaa/block/mmcblk0/mmcblk0p1", "1");
    device("11:0", "pci0000:00/0000:00:17.0/ata2/host1/target1:0:0/1:0:0:0/block/sr0", "1");
    labelLink("KINGSTON", "sdb1");
    labelLink("备份\\x20盘", "sdc1");
    labelLink("DATA", "sda2");
    labelLink("CDROM_2024", "sr0");
    labelLink("相机", "mmcblk0p1");
}

void tst_VolumeLabel::device(const QString& number, const QString& devicePath, const char* flag) {
    const QString dir = sys_ + "/devices/" + devicePath;
    QVERIFY(QDir().mkpath(dir));
    const bool partition = !devicePath.contains("/sr");
    const QString disk = partition ? QFileInfo(dir).path() : dir;
    if (partition) {
        QFile p(dir + "/partition");
        QVERIFY(p.open(QIODevice::WriteOnly) && p.write("1\n") == 2);
    }
    QFile removable(disk + "/removable");
    QVERIFY(removable.open(QIODevice::WriteOnly));
    QVERIFY(removable.write(QByteArray(flag) + "\n") > 0);
    QVERIFY(QFile::link("../../devices/" + devicePath, sys_ + "/dev/block/" + number));
}

void tst_VolumeLabel::labelLink(const QString& linkName, const QString& name) {
    QVERIFY(QFile::link("../../" + name, byLabel_ + "/" + linkName));
}

void tst_VolumeLabel::labelOf_data() {
    QTest::addColumn<QByteArray>("number");
    QTest::addColumn<QString>("label");
    QTest::newRow("USB stick") << QByteArray("8:17") << "KINGSTON";
    QTest::newRow("USB disk that calls itself fixed") << QByteArray("8:33") << "备份 盘";
    QTest::newRow("memory card") << QByteArray("179:1") << "相机";
    QTest::newRow("optical disc, a whole disk") << QByteArray("11:0") << "CDROM_2024";
    QTest::newRow("the machine's own disk") << QByteArray("8:2") << "";
    QTest::newRow("no block device") << QByteArray("0:42") << "";
}

void tst_VolumeLabel::labelOf() {
    QFETCH(QByteArray, number);
    QFETCH(QString, label);
    QCOMPARE(VolumeLabel::of(number, byLabel_, sys_ + "/dev/block"), label);
}

void tst_VolumeLabel::decoded_data() {
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("label");
    QTest::newRow("blank") << "My\\x20Disk" << "My Disk";
    QTest::newRow("slash and backslash") << "a\\x2fb\\x5cc" << "a/b\\c";
    QTest::newRow("Chinese escaped by the byte") << "\\xe7\\x85\\xa7片" << "照片";
    QTest::newRow("not an escape") << "a\\x2g\\x" << "a\\x2g\\x";
}

void tst_VolumeLabel::decoded() {
    QFETCH(QString, link);
    QFETCH(QString, label);
    QCOMPARE(VolumeLabel::decoded(link), label);
}

QTEST_GUILESS_MAIN(tst_VolumeLabel)
#include "tst_VolumeLabel.moc"
