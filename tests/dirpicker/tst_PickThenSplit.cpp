// A directory picked in the picker is where the next split writes its slices.

#include <QtTest>

#include <QPushButton>
#include <QTreeWidget>

#include "dirpicker/Form2.h"
#include "engine/Engine.h"
#include "engine/set/SliceSizes.h"
#include "engine/SourceSelection.h"
#include "tests/support/MemoryHost.h"
#include "tests/support/TempDir.h"

using qzdirpicker::Form2;
using qzdirpicker::MountTable;
using qzdirpicker::PlainMessageBox;

class tst_PickThenSplit : public QObject {
    Q_OBJECT
private slots:
    void slicesLandInThePickedDirectory();
};

void tst_PickThenSplit::slicesLandInThePickedDirectory() {
    qz::TempDir tmp;
    const QString base =
        QDir(QString::fromStdString(tmp.path())).canonicalPath() + "/";
    const QString picked = base + "输出";
    QVERIFY(QDir().mkdir(picked));
    const std::string src = base.toStdString() + "clip.mp4";
    const auto bytes = qz::TempDir::pattern(3 * qz::SliceSizes::kChunk + 100);
    qz::TempDir::write(src, bytes);

    qz::MemoryHost host;
    qz::Engine engine(host);
    host.text1 = src;
    qz::SourceSelection::adopt(host, engine, src, "clip.mp4");
    QCOMPARE(QString::fromStdString(host.text3), base);

    const QString savedCwd = QDir::currentPath();
    QVERIFY(QDir::setCurrent(base));
    PlainMessageBox box;
    box.setScripted(true);
    Form2 picker(nullptr, box, MountTable::drives, [&host](const QString& dir) {
        host.setText3(dir.toStdString());
    });
    picker.show();
    QVERIFY(QTest::qWaitForWindowExposed(&picker));
    auto* dir1 = picker.findChild<QTreeWidget*>("Dir1");
    const auto found = dir1->findItems("输出", Qt::MatchExactly | Qt::MatchRecursive);
    QCOMPARE(found.size(), 1);
    const QPoint at = dir1->visualItemRect(found.first()).center();
    QTest::mouseClick(dir1->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(dir1->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseClick(picker.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    QVERIFY(QDir::setCurrent(savedCwd));
    QCOMPARE(QString::fromStdString(host.text3), picked + "/");

    QCOMPARE(engine.Command5_Click(), qz::Engine::Outcome::Completed);
    const std::string out = picked.toStdString() + "/clip.mp4.QZ";
    auto joined = qz::TempDir::read(out + "1");
    const auto second = qz::TempDir::read(out + "2");
    joined.insert(joined.end(), second.begin(), second.end());
    QVERIFY(joined == bytes);
    QVERIFY(!qz::TempDir::exists(out + "3"));
    QVERIFY(!qz::TempDir::exists(src + ".QZ1"));
}

QTEST_MAIN(tst_PickThenSplit)
#include "tst_PickThenSplit.moc"
