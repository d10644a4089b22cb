#include "mainwindow/MessageBoxes.h"

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
    qz::MsgAnswer answer = qz::MsgAnswer::No;
    if (const auto scripted = answerScripted({text, title, style})) {
        answer = *scripted;
    } else {
        auto box = build(parent, text, title, style);
        box->exec();
        // A question closed without a button (Esc has none to press, the
        // window manager's close does) gives no consent.
        if (box->standardButton(box->clickedButton()) == QMessageBox::Yes)
            answer = qz::MsgAnswer::Yes;
    }
    if (!isQuestion(style)) return qz::MsgAnswer::Ok;
    return answer == qz::MsgAnswer::Yes ? qz::MsgAnswer::Yes : qz::MsgAnswer::No;
}

}  // namespace qzmainwindow
