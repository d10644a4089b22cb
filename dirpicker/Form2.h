#pragma once
// The save-directory picker: a drive list and a directory tree whose OK button
// hands the chosen directory, with one trailing "/", to the main window. It
// keeps nothing between openings: each one starts at the process's current
// directory.

#include <QDialog>
#include <QList>
#include <QString>
#include <functional>

#include "dirpicker/MountTable.h"
#include "dirpicker/PlainMessageBox.h"

class QComboBox;
class QPushButton;

namespace qzdirpicker {

class DirTree;

class Form2 : public QDialog {
    Q_OBJECT
public:
    // The picker lists the drives that drives gives and tells of failures in
    // box. writeText3 receives the chosen directory; it is not called when
    // the picker is closed by its close box.
    Form2(QWidget* parent, PlainMessageBox& box, MountTable::Source drives,
          std::function<void(const QString&)> writeText3);

private:
    // Names the controls and puts them in place and in tab order.
    void placeControls();
    // Lists the drives and opens Dir1 at the process's current directory on
    // the drive that holds it, or at that drive's root.
    void startAtCurrentDirectory();
    // The user picked another drive: Dir1 moves to its root, or, when that
    // root cannot be read, the user is told why, Drive1 is read anew and Dir1
    // stays where it was.
    void Drive1_Change();
    // OK: hands the highlighted directory to writeText3 and closes.
    void Command1_Click();

    // Re-reads the drive list, keeping the chosen drive while it is listed.
    void refreshDrive1();
    // Lists drives in Drive1 with the drive at path chosen selected, without
    // a change event.
    void fillDrive1(const QList<MountTable::Drive>& drives, const QString& chosen);
    // The path of the drive chosen in Drive1.
    QString chosenDrive() const;

    PlainMessageBox& box_;
    const MountTable::Source drives_;
    std::function<void(const QString&)> writeText3_;
    // In tab order.
    DirTree* Dir1;
    QComboBox* Drive1;
    QPushButton* Command1;
};

}  // namespace qzdirpicker
