// The save-directory picker driven as a user would: clicks, double clicks,
// keys and the drive list, over real directories.

#include <QtTest>

#include <QComboBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <cerrno>
#include <cstring>

#include "dirpicker/DirTree.h"
#include "dirpicker/Form2.h"
#include "dirpicker/MountTable.h"
#include "dirpicker/PlainMessageBox.h"

using qzdirpicker::DirTree;
using qzdirpicker::Form2;
using qzdirpicker::MountTable;
using qzdirpicker::PlainMessageBox;

class tst_Form2 : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void opensWithDir1FocusedThenTabsInOrder();
    void pickThenOk_data();
    void pickThenOk();
    void enterActsAsOk();
    void enterOnTheFocusedOkButtonPressesIt();
    void keysOpenAndLeaveDirectories();
    void removableVolumeShownByItsLabel();
    void closingWritesNothing_data();
    void closingWritesNothing();
    void startsAfreshOnTheDriveHoldingTheCurrentDirectory();
    void failingDriveIsReportedAndThePickerGoesOn_data();
    void failingDriveIsReportedAndThePickerGoesOn();
    void directoryGoneBeforeItsDoubleClick();
    void messageIsPlain();

private:
    // A picker shown (not modal) whose result lands in text3_.
    std::unique_ptr<Form2> openPicker();
    // One user step: "click P" or "open P" (double click) on the Dir1 entry
    // for base_/P ("." is base_ itself), "drive D" to choose D in Drive1,
    // "ok" to press OK.
    void act(Form2& f, const QString& step);
    QTreeWidgetItem* entry(Form2& f, const QString& path);
    // Drives at paths, none of them with a label.
    static QList<MountTable::Drive> unlabelled(const QStringList& paths) {
        QList<MountTable::Drive> drives;
        for (const QString& p : paths) drives.append({p, QString()});
        return drives;
    }
    // The path of the drive chosen in Drive1.
    QString chosenDrive(Form2& f) { return drive1(f)->currentData().toString(); }
    QTreeWidget* dir1(Form2& f) { return f.findChild<QTreeWidget*>("Dir1"); }
    QComboBox* drive1(Form2& f) { return f.findChild<QComboBox*>("Drive1"); }

    // The texts of the picker's message boxes shown so far, in order.
    QStringList messages() const {
        QStringList texts;
        for (const QString& text : box_->shown()) texts << text;
        return texts;
    }

    std::unique_ptr<QTemporaryDir> tmp_;  // a fresh one for every test
    QString base_;  // its path as the kernel names it; the current directory
    QString savedCwd_, text3_;
    int writes_ = 0, driveReads_ = 0;
    // The picker's message box, scripted, and the drives it lists; both made
    // afresh for every test.
    std::unique_ptr<PlainMessageBox> box_;
    MountTable::Source drives_;
};

void tst_Form2::init() {
    tmp_ = std::make_unique<QTemporaryDir>();
    QVERIFY(tmp_->isValid());
    base_ = QDir(tmp_->path()).canonicalPath();
    for (const char* sub : {"a", "video/clips", "Zeta"})
        QVERIFY(QDir(base_).mkpath(sub));
    savedCwd_ = QDir::currentPath();
    QVERIFY(QDir::setCurrent(base_));
    text3_.clear();
    writes_ = driveReads_ = 0;
    box_ = std::make_unique<PlainMessageBox>();
    box_->setScripted(true);
    drives_ = [this] { ++driveReads_; return unlabelled({"/", base_}); };
}

void tst_Form2::cleanup() {
    QVERIFY(QDir::setCurrent(savedCwd_));
    tmp_.reset();
    QCOMPARE(messages(), QStringList());  // tests take those they expect
    box_.reset();
    for (QWidget* w : QApplication::topLevelWidgets()) QVERIFY(!w->isVisible());
}

std::unique_ptr<Form2> tst_Form2::openPicker() {
    auto f = std::make_unique<Form2>(nullptr, *box_, drives_, [this](const QString& d) {
        text3_ = d;
        ++writes_;
    });
    f->show();
    return QTest::qWaitForWindowExposed(f.get()) ? std::move(f) : nullptr;
}

QTreeWidgetItem* tst_Form2::entry(Form2& f, const QString& path) {
    for (QTreeWidgetItemIterator it(dir1(f)); *it; ++it)
        if ((*it)->data(0, Qt::UserRole).toString() == path) return *it;
    return nullptr;
}

void tst_Form2::act(Form2& f, const QString& step) {
    const QString verb = step.section(' ', 0, 0), arg = step.section(' ', 1);
    if (verb == "ok") {
        auto* ok = f.findChild<QPushButton*>("Command1");
        QVERIFY(ok->isEnabled());
        QTest::mouseClick(ok, Qt::LeftButton);
        QCOMPARE(f.result(), int(QDialog::Accepted));
    } else if (verb == "drive") {
        QVERIFY(drive1(f)->findData(arg) >= 0);
        drive1(f)->setCurrentIndex(drive1(f)->findData(arg));
    } else {
        QTreeWidgetItem* item = entry(f, QDir::cleanPath(base_ + "/" + arg));
        QVERIFY2(item, qPrintable("no entry for " + arg));
        const QPoint at = dir1(f)->visualItemRect(item).center();
        QTest::mouseClick(dir1(f)->viewport(), Qt::LeftButton, {}, at);
        // The window system delivers a double click as a click, then the
        // second press as the double click.
        if (verb == "open")
            QTest::mouseDClick(dir1(f)->viewport(), Qt::LeftButton, {}, at);
    }
}

void tst_Form2::opensWithDir1FocusedThenTabsInOrder() {
    auto f = openPicker();
    QVERIFY(f);
    QCOMPARE(f->windowTitle(), QStringLiteral("保存目录"));
    QCOMPARE(f->minimumSize(), QSize(400, 354));
    QCOMPARE(f->maximumSize(), QSize(400, 354));
    QVERIFY(!(f->windowFlags() &
              (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    f->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.get()));
    QCOMPARE(QApplication::focusWidget(), dir1(*f));
    for (const char* next : {"Drive1", "Command1", "Dir1"}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QString(next));
    }
    f->close();
}

void tst_Form2::pickThenOk_data() {
    QTest::addColumn<QString>("cwd");  // below base_, or absolute
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("stored");  // below base_, or absolute

    QTest::newRow("OK at once") << "." << QStringList{"ok"} << "";
    QTest::newRow("a subdirectory opened")
        << "." << QStringList{"open video", "ok"} << "video/";
    QTest::newRow("two levels down")
        << "." << QStringList{"open video", "open video/clips", "ok"}
        << "video/clips/";
    // base_ is a drive of its own here: its root keeps one "/" as well.
    QTest::newRow("back up to an ancestor")
        << "video/clips" << QStringList{"open .", "ok"} << "";
    QTest::newRow("single click, not opened")
        << "." << QStringList{"click Zeta", "ok"} << "Zeta/";
    QTest::newRow("clicked, then another opened")
        << "." << QStringList{"click a", "open video", "ok"} << "video/";
    QTest::newRow("opened at /") << "/" << QStringList{"ok"} << "/";
    QTest::newRow("drive / chosen")
        << "video" << QStringList{"drive /", "ok"} << "/";
}

void tst_Form2::pickThenOk() {
    QFETCH(QString, cwd);
    QFETCH(QStringList, steps);
    QFETCH(QString, stored);
    QVERIFY(QDir::setCurrent(cwd.startsWith('/') ? cwd : base_ + "/" + cwd));
    auto f = openPicker();
    QVERIFY(f);
    for (const QString& step : steps) act(*f, step);
    QVERIFY(!f->isVisible());
    QCOMPARE(text3_, stored.startsWith('/') ? stored : base_ + "/" + stored);
    QCOMPARE(writes_, 1);
}

void tst_Form2::enterActsAsOk() {
    auto f = openPicker();
    QVERIFY(f);
    act(*f, "click a");
    QTest::keyClick(dir1(*f), Qt::Key_Return);
    QVERIFY(!f->isVisible());
    QCOMPARE(text3_, base_ + "/a/");
}

void tst_Form2::enterOnTheFocusedOkButtonPressesIt() {
    auto f = openPicker();
    QVERIFY(f);
    act(*f, "click a");
    auto* ok = f->findChild<QPushButton*>("Command1");
    ok->setFocus(Qt::TabFocusReason);
    QVERIFY(ok->hasFocus());
    QTest::keyClick(ok, Qt::Key_Return);
    QVERIFY(!f->isVisible());
    QCOMPARE(text3_, base_ + "/a/");
}

void tst_Form2::keysOpenAndLeaveDirectories() {
    // base_ is the drive root; below it a, video (with clips) and Zeta.
    QVERIFY(QDir::setCurrent(base_ + "/video"));
    auto f = openPicker();
    QVERIFY(f);
    QTreeWidget* tree = dir1(*f);
    auto key = [&](Qt::Key k) { QTest::keyClick(tree, k); };
    auto highlighted = [&] { return tree->currentItem()->data(0, Qt::UserRole).toString(); };
    // dir is open, and highlighted as after every move.
    auto isOpen = [&](const QString& dir) {
        return f->findChild<DirTree*>()->openPath() == dir && highlighted() == dir;
    };

    key(Qt::Key_Down);
    QCOMPARE(highlighted(), base_ + "/video/clips");
    key(Qt::Key_Left);  // from an entry not open: the directory above it
    QVERIFY(isOpen(base_ + "/video"));
    key(Qt::Key_Down);
    key(Qt::Key_Right);
    QVERIFY(isOpen(base_ + "/video/clips"));
    key(Qt::Key_Left);
    key(Qt::Key_Left);
    QVERIFY(isOpen(base_));
    key(Qt::Key_Left);  // nothing above the drive's root
    QVERIFY(isOpen(base_));
    for (int i = 0; i < 3; ++i) key(Qt::Key_Down);
    key(Qt::Key_Space);
    QVERIFY(isOpen(base_ + "/Zeta"));
    key(Qt::Key_Return);
    QCOMPARE(text3_, base_ + "/Zeta/");
}

void tst_Form2::removableVolumeShownByItsLabel() {
    QVERIFY(QDir(base_).mkdir("stick"));
    const QString stick = base_ + "/stick";
    drives_ = [=, this] {
        ++driveReads_;
        return QList<MountTable::Drive>{{"/", ""}, {base_, ""}, {stick, "我的U盘"}};
    };
    auto f = openPicker();
    QVERIFY(f);
    QCOMPARE(drive1(*f)->itemText(2), stick + "  [我的U盘]");
    QCOMPARE(drive1(*f)->itemText(1), base_);
    act(*f, "drive " + stick);
    act(*f, "ok");
    QCOMPARE(text3_, stick + "/");
}

void tst_Form2::closingWritesNothing_data() {
    QTest::addColumn<QString>("previous");
    QTest::addColumn<bool>("byEscape");
    QTest::newRow("close box, empty") << QString() << false;
    QTest::newRow("close box, set") << "/srv/old/" << false;
    QTest::newRow("Escape, set") << "/srv/old/" << true;
}

void tst_Form2::closingWritesNothing() {
    QFETCH(QString, previous);
    QFETCH(bool, byEscape);
    text3_ = previous;
    auto f = openPicker();
    QVERIFY(f);
    act(*f, "open video");
    if (byEscape)
        QTest::keyClick(dir1(*f), Qt::Key_Escape);
    else
        f->close();  // what the close box does
    QVERIFY(!f->isVisible());
    QCOMPARE(writes_, 0);
    QCOMPARE(text3_, previous);
}

void tst_Form2::startsAfreshOnTheDriveHoldingTheCurrentDirectory() {
    QVERIFY(QDir::setCurrent(base_ + "/video/clips"));
    auto f = openPicker();
    QVERIFY(f);
    QCOMPARE(chosenDrive(*f), base_);
    // The chain starts at the drive's root, not at "/".
    QCOMPARE(dir1(*f)->topLevelItem(0)->text(0), base_);
    QCOMPARE(dir1(*f)->currentItem(), entry(*f, base_ + "/video/clips"));
    act(*f, "open video");
    f->close();

    QVERIFY(QDir::setCurrent("/"));
    f = openPicker();
    QVERIFY(f);
    QCOMPARE(chosenDrive(*f), QStringLiteral("/"));
    QCOMPARE(dir1(*f)->currentItem(), dir1(*f)->topLevelItem(0));
    f->close();
}

void tst_Form2::failingDriveIsReportedAndThePickerGoesOn_data() {
    QTest::addColumn<QString>("drive");  // below base_
    QTest::addColumn<int>("error");
    QTest::addColumn<bool>("stillListed");  // after the refresh
    QTest::newRow("missing") << "gone" << ENOENT << true;
    QTest::newRow("a plain file") << "file" << ENOTDIR << true;
    QTest::newRow("unplugged meanwhile") << "gone" << ENOENT << false;
}

void tst_Form2::failingDriveIsReportedAndThePickerGoesOn() {
    QFETCH(QString, drive);
    QFETCH(int, error);
    QFETCH(bool, stillListed);
    QFile file(base_ + "/file");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    const QString failing = base_ + "/" + drive;
    drives_ = [=, this] {
        const bool listed = ++driveReads_ == 1 || stillListed;
        return unlabelled(listed ? QStringList{"/", base_, failing} : QStringList{"/", base_});
    };
    auto f = openPicker();
    QVERIFY(f);
    act(*f, "open video");
    act(*f, "drive " + failing);

    QCOMPARE(messages(), QStringList{failing + ": " + std::strerror(error)});
    box_->clearShown();
    QCOMPARE(driveReads_, 2);  // refreshed
    // Not set back while listed; else showing the drive the tree is on.
    QCOMPARE(chosenDrive(*f), stillListed ? failing : base_);
    QCOMPARE(dir1(*f)->currentItem(), entry(*f, base_ + "/video"));
    act(*f, "drive /");
    QCOMPARE(dir1(*f)->currentItem(), dir1(*f)->topLevelItem(0));
    act(*f, "ok");
    QCOMPARE(text3_, QStringLiteral("/"));
}

void tst_Form2::directoryGoneBeforeItsDoubleClick() {
    auto f = openPicker();
    QVERIFY(f);
    QVERIFY(QDir(base_ + "/Zeta").removeRecursively());
    act(*f, "open Zeta");
    QCOMPARE(messages(), QStringList{base_ + "/Zeta: " + std::strerror(ENOENT)});
    box_->clearShown();
    act(*f, "open a");
    act(*f, "ok");
    QCOMPARE(text3_, base_ + "/a/");
}

void tst_Form2::messageIsPlain() {
    auto box = PlainMessageBox::build(nullptr, "/media/cd: No medium found");
    QCOMPARE(box->text(), QStringLiteral("/media/cd: No medium found"));
    QCOMPARE(box->icon(), QMessageBox::NoIcon);
    QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(box->windowTitle().isEmpty());
}

QTEST_MAIN(tst_Form2)
#include "tst_Form2.moc"
