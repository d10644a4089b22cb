#pragma once
// Every message box of the main window goes through here: a real modal box, or
// in scripted mode an answer from the queue.

#include <QString>
#include <memory>

#include "dirpicker/ScriptedModal.h"
#include "engine/Host.h"

class QMessageBox;
class QWidget;

namespace qzmainwindow {

// A message box as it was shown.
struct ShownMessage {
    QString text, title;
    int style;
};

// Scripted questions are answered No once the queue is empty, unless set.
class MessageBoxes : public qzdirpicker::ScriptedModal<ShownMessage, qz::MsgAnswer> {
public:
    MessageBoxes() : ScriptedModal(qz::MsgAnswer::No) {}

    // Shows a modal box over parent with the icon and buttons of style
    // (0, 36, 48 or 64) and returns the button pressed; only a question box
    // can answer Yes or No.
    qz::MsgAnswer show(QWidget* parent, const QString& text, const QString& title,
                       int style);

    // The real box show() would run, built but not yet shown.
    static std::unique_ptr<QMessageBox> build(QWidget* parent, const QString& text,
                                              const QString& title, int style);
    // The width a window needs for its title bar to show title whole: the
    // title in a bold face of the window's font, and beside it the window
    // icon and the minimise, maximise and close buttons, each about as wide
    // as the bar is high, with a bar's height of margin at either end.
    static int titleBarWidth(const QWidget& window, const QString& title);
};

}  // namespace qzmainwindow
