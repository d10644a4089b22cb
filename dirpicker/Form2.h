#pragma once
// The save-directory picker: a drive list and a directory tree whose OK button
// hands the chosen directory, with one trailing "/", to the main window.

#include <QDialog>
#include <QString>
#include <functional>

class Form2 : public QDialog {
    Q_OBJECT
public:
    // writeText3 receives the chosen directory; it is not called when the
    // picker is closed by its close box.
    Form2(QWidget* parent, std::function<void(const QString&)> writeText3);

private:
    std::function<void(const QString&)> writeText3_;
};
