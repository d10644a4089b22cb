#pragma once
// The picker's one message box: a text, OK only, no icon, and the window
// system's default title. Tests put a stand-in in its place so that no test
// ever waits on a modal window.

#include <QString>
#include <functional>
#include <memory>

class QMessageBox;
class QWidget;

namespace qzdirpicker {

class PlainMessageBox {
public:
    // Shows text modally over parent and returns when the user has closed it;
    // with a stand-in set, hands text to the stand-in instead.
    static void show(QWidget* parent, const QString& text);

    // The box that show() runs, built but not yet shown.
    static std::unique_ptr<QMessageBox> build(QWidget* parent,
                                              const QString& text);

    // Replaces the modal box by standIn; an empty function restores it.
    static void setStandIn(std::function<void(const QString&)> standIn);

private:
    static std::function<void(const QString&)>& standIn();
};

}  // namespace qzdirpicker
