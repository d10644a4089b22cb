#include "dirpicker/Form2.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QSignalBlocker>

#include "dirpicker/DirTree.h"
#include "dirpicker/PathText.h"
#include "dirpicker/Twips.h"

namespace qzdirpicker {

namespace {

// The process's current directory; "/" when it cannot be determined (it
// was removed, say).
QString currentDirectory() {
    const std::string cwd = PathText::currentDirectory();
    return cwd.empty() ? QStringLiteral("/") : PathText::display(cwd);
}

// The mount paths of drives.
QStringList pathsOf(const QList<MountTable::Drive>& drives) {
    QStringList paths;
    for (const MountTable::Drive& d : drives) paths << d.path;
    return paths;
}

// What Drive1 shows for a drive: its path, and a label beside it.
QString shown(const MountTable::Drive& drive) {
    if (drive.label.isEmpty()) return drive.path;
    return drive.path + QStringLiteral("  [") + drive.label + u']';
}

}  // namespace

Form2::Form2(QWidget* parent, PlainMessageBox& box, MountTable::Source drives,
             std::function<void(const QString&)> writeText3)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      box_(box),
      drives_(std::move(drives)),
      writeText3_(std::move(writeText3)),
      Dir1(new DirTree(this)),
      Drive1(new QComboBox(this)),
      Command1(new QPushButton(QStringLiteral("确定(&O)"), this)) {
    setWindowTitle(QStringLiteral("保存目录"));
    setWindowIcon(QApplication::windowIcon());
    setFixedSize(Twips::toPixels(6000), Twips::toPixels(5310));
    placeControls();
    startAtCurrentDirectory();
    connect(Drive1, &QComboBox::currentIndexChanged, this,
            &Form2::Drive1_Change);
    connect(Command1, &QPushButton::clicked, this, &Form2::Command1_Click);
    connect(Dir1, &DirTree::openFailed, this,
            [this](const QString& text) { box_.show(this, text); });
    Dir1->setFocus();
}

void Form2::placeControls() {
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Dir1->setGeometry(Twips::toPixels(120, 450, 5745, 4290));
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Drive1->setGeometry(Twips::toPixels(120, 120, 3015, 300));
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(Twips::toPixels(4860, 4800, 975, 375));
    Command1->setDefault(true);  // Enter is OK; Escape is the close box
    setTabOrder(Dir1, Drive1);
    setTabOrder(Drive1, Command1);
}

void Form2::startAtCurrentDirectory() {
    const QString cwd = currentDirectory();
    const QList<MountTable::Drive> listed = drives_();
    const QString drive = MountTable::holding(pathsOf(listed), cwd);
    fillDrive1(listed, drive);
    // A directory that cannot be listed (a drive's root can) opens its drive.
    if (!Dir1->open(drive, cwd)) Dir1->open(drive, drive);
}

void Form2::Drive1_Change() {
    const QString drive = chosenDrive();
    QString failure;
    if (Dir1->open(drive, drive, &failure)) return;
    box_.show(this, failure);
    refreshDrive1();
}

void Form2::Command1_Click() {
    QString dir = Dir1->highlightedPath();
    if (!dir.endsWith(u'/')) dir += u'/';
    writeText3_(dir);
    accept();
}

void Form2::refreshDrive1() {
    const QList<MountTable::Drive> drives = drives_();
    const QStringList paths = pathsOf(drives);
    const QString chosen = chosenDrive();
    fillDrive1(drives, paths.contains(chosen) ? chosen
                                              : MountTable::holding(paths, Dir1->openPath()));
}

void Form2::fillDrive1(const QList<MountTable::Drive>& drives, const QString& chosen) {
    const QSignalBlocker quiet(Drive1);
    Drive1->clear();
    for (const MountTable::Drive& d : drives) Drive1->addItem(shown(d), d.path);
    Drive1->setCurrentIndex(Drive1->findData(chosen));
}

QString Form2::chosenDrive() const { return Drive1->currentData().toString(); }

}  // namespace qzdirpicker
