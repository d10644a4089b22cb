#include "mainwindow/MessageBoxes.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>
#include <QStyle>

namespace qzmainwindow {

namespace {

// "qzslice.boxes.debug=true" in QT_LOGGING_RULES tells on standard error when
// a real box opens: what was on the screen when a session ended, or stuck.
Q_LOGGING_CATEGORY(lcBoxes, "qzslice.boxes", QtWarningMsg)

bool isQuestion(int style) { return style == qz::MsgQuestion; }

QMessageBox::Icon iconFor(int style) {
    switch (style) {
    case qz::MsgQuestion: return QMessageBox::Question;
    case qz::MsgWarning: return QMessageBox::Warning;
    case qz::MsgInfo: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

// Qt sizes a box by its contents alone, and a window manager shortens a title
// that does not fit beside the bar's buttons: "提示" over "操作完成!" showed as
// "…". Qt fixes the box's size from its layout when it is shown, so the width
// goes into the layout, as an empty row across it.
void fitTitle(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid) return;
    const int margins = grid->contentsMargins().left() + grid->contentsMargins().right();
    const int width = MessageBoxes::titleBarWidth(box, box.windowTitle()) - margins;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Fixed, QSizePolicy::Minimum),
                  grid->rowCount(), 0, 1, grid->columnCount());
}

}  // namespace

int MessageBoxes::titleBarWidth(const QWidget& window, const QString& title) {
    QFont bold = window.font();
    bold.setBold(true);
    const int bar = window.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &window);
    const int iconAndButtons = 4 * bar;
    const int ends = 2 * bar;
    return QFontMetrics(bold).horizontalAdvance(title) + iconAndButtons + ends;
}

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
    fitTitle(*box);
    return box;
}

qz::MsgAnswer MessageBoxes::show(QWidget* parent, const QString& text,
                                 const QString& title, int style) {
    qz::MsgAnswer answer = qz::MsgAnswer::No;
    if (const auto scripted = answerScripted({text, title, style})) {
        answer = *scripted;
    } else {
        auto box = build(parent, text, title, style);
        qCDebug(lcBoxes, "box opens: %s", qUtf8Printable(text));
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
