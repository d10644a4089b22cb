#pragma once
// Every message box of the main window goes through here. A real modal box
// normally; in scripted mode the boxes never appear and take their answers
// from a queue set up ahead of time, so tests and the benchmark never block.

#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "Host.h"

class QMessageBox;
class QWidget;

namespace qzmainwindow {

class MessageBoxes {
public:
    struct Shown {
        QString text, title;
        int style;
    };

    // Shows a modal box over parent with the icon and buttons of style
    // (0, 36, 48 or 64) and returns the button pressed; only a question box
    // can answer Yes or No.
    qz::MsgAnswer show(QWidget* parent, const QString& text, const QString& title,
                       int style);

    // The real box show() would run, built but not yet shown.
    static std::unique_ptr<QMessageBox> build(QWidget* parent, const QString& text,
                                              const QString& title, int style);

    // Scripted mode: boxes are recorded and answered, never shown.
    void setScripted(bool scripted) { scripted_ = scripted; }
    // Answer for the next scripted box; whileShown runs as if the user acted
    // while that box is up (the caller stays suspended meanwhile).
    void queueAnswer(qz::MsgAnswer answer, std::function<void()> whileShown = {});
    // Answer for scripted questions once the queue is empty (No unless set).
    void setDefaultAnswer(qz::MsgAnswer answer) { defaultAnswer_ = answer; }

    const std::vector<Shown>& shown() const { return shown_; }
    void clearShown() { shown_.clear(); }

private:
    struct Entry {
        qz::MsgAnswer answer;
        std::function<void()> whileShown;
    };

    qz::MsgAnswer answerScripted(int style);

    bool scripted_ = false;
    std::deque<Entry> queue_;
    qz::MsgAnswer defaultAnswer_ = qz::MsgAnswer::No;
    std::vector<Shown> shown_;
};

}  // namespace qzmainwindow
