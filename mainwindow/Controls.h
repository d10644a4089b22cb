#pragma once
// The main window's controls by their design names, made from ControlTable:
// each in its container at its place, with its caption and start state,
// stacked and chained for Tab as the table lists them. The option pair is also
// the button group Option1, index 0 for split and 1 for merge.

#include <QHash>
#include <QString>

class QButtonGroup;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace qzmainwindow {

class Controls {
public:
    // Builds every control of the table in window.
    explicit Controls(QWidget& window);

    QFrame* const Picture1;
    QLabel* const Label7;
    QLabel* const Label6;
    QPushButton* const Command5;
    QPushButton* const Command1;
    QGroupBox* const Frame1;
    QCheckBox* const Check1;
    QRadioButton* const Option1_1;
    QRadioButton* const Option1_0;
    QPushButton* const Command4;
    QLineEdit* const Text3;
    QLineEdit* const Text2;
    QPushButton* const Command3;
    QLineEdit* const Text1;
    QLabel* const Label5;
    QLabel* const Label2;
    QLabel* const Label1;
    QLabel* const Label4;
    QLabel* const Label3;
    QButtonGroup* const Option1;

private:
    using Built = QHash<QString, QWidget*>;

    Controls(QWidget& window, const Built& built);
    // Makes the table's controls in window, in table order; each by its name.
    static Built build(QWidget& window);
};

}  // namespace qzmainwindow
