#include "MessageBoxes.h"

#include <QMessageBox>
#include <QPushButton>

namespace qzmainwindow {

namespace {

bool isQuestion(int style) { return style == qz::MsgQuestion; }

QMessageBox::Icon iconFor(int style) {
    switch (style) {
    case qz::MsgQuestion: return QMessageBox::Question;
    case qz::MsgWarning: return QMessageBox::Warning;
    case qz::MsgInfo: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

}  // namespace

std::unique_ptr<QMessageBox> MessageBoxes::build(QWidget* parent, const QString& text,
                                                 const QString& title, int style) {
    auto box = std::make_unique<QMessageBox>(parent);
    box->setIcon(iconFor(style));
    box->setWindowTitle(title);
    box->setText(text);
    // Plain text always: the About text has leading blanks that rich text
    // would collapse.
    box->setTextFormat(Qt::PlainText);
    if (isQuestion(style)) {
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box->setDefaultButton(QMessageBox::Yes);
    } else {
        box->setStandardButtons(QMessageBox::Ok);
        box->setDefaultButton(QMessageBox::Ok);
    }
    return box;
}

qz::MsgAnswer MessageBoxes::show(QWidget* parent, const QString& text,
                                 const QString& title, int style) {
    shown_.push_back({text, title, style});
    if (scripted_) return answerScripted(style);

    auto box = build(parent, text, title, style);
    box->exec();
    // A question closed without a button (Esc has none to press, the window
    // manager's close does) gives no consent.
    if (!isQuestion(style)) return qz::MsgAnswer::Ok;
    return box->standardButton(box->clickedButton()) == QMessageBox::Yes
               ? qz::MsgAnswer::Yes
               : qz::MsgAnswer::No;
}

void MessageBoxes::queueAnswer(qz::MsgAnswer answer, std::function<void()> whileShown) {
    queue_.push_back({answer, std::move(whileShown)});
}

qz::MsgAnswer MessageBoxes::answerScripted(int style) {
    qz::MsgAnswer answer = defaultAnswer_;
    if (!queue_.empty()) {
        Entry next = std::move(queue_.front());
        queue_.pop_front();
        answer = next.answer;
        if (next.whileShown) next.whileShown();
    }
    if (!isQuestion(style)) return qz::MsgAnswer::Ok;
    return answer == qz::MsgAnswer::Yes ? qz::MsgAnswer::Yes : qz::MsgAnswer::No;
}

}  // namespace qzmainwindow
