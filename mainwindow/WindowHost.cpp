#include "mainwindow/WindowHost.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

#include "dirpicker/PathText.h"
#include "dirpicker/Twips.h"
#include "engine/io/Interruption.h"
#include "mainwindow/Controls.h"
#include "mainwindow/DesktopNotice.h"
#include "mainwindow/EventPump.h"
#include "mainwindow/MessageBoxes.h"

namespace qzmainwindow {

using qzdirpicker::PathText;
using qzdirpicker::Twips;

WindowHost::WindowHost(QWidget& window, const Controls& controls, MessageBoxes& boxes,
                       EventPump& pump, DesktopNotice& notice)
    : window_(window), controls_(controls), boxes_(boxes), pump_(pump), notice_(notice) {}

void WindowHost::showPath(QLineEdit& field, const QString& path) {
    field.setText(path);
    field.setCursorPosition(0);
}

void WindowHost::showCaption(QLabel& label, const std::string& caption) {
    label.setText(QString::fromStdString(caption));
    label.resize(label.sizeHint().width(), label.height());
}

bool WindowHost::Option1_0() const { return controls_.Option1_0->isChecked(); }

std::string WindowHost::Text1() const { return PathText::bytes(controls_.Text1->text()); }

void WindowHost::setText1(const std::string& text) {
    showPath(*controls_.Text1, PathText::display(text));
}

std::string WindowHost::Text2() const { return controls_.Text2->text().toStdString(); }

void WindowHost::focusText2SelectAll() {
    controls_.Text2->setFocus(Qt::OtherFocusReason);
    controls_.Text2->selectAll();
}

std::string WindowHost::Text3() const { return PathText::bytes(controls_.Text3->text()); }

void WindowHost::setText3(const std::string& text) {
    showPath(*controls_.Text3, PathText::display(text));
}

bool WindowHost::Check1() const { return controls_.Check1->isChecked(); }

void WindowHost::setLabel3(const std::string& caption) { showCaption(*controls_.Label3, caption); }

void WindowHost::setLabel6Width(float twips) {
    QLabel* bar = controls_.Label6;
    bar->resize(std::max(0, Twips::toPixels(twips)), bar->height());
    const float full = Picture1InnerWidth();
    if (notice_.copying() && full > 0) notice_.progressed(Label6Width() / full);
}

float WindowHost::Label6Width() const { return Twips::fromPixels(controls_.Label6->width()); }

void WindowHost::setLabel7(const std::string& text) { showCaption(*controls_.Label7, text); }

bool WindowHost::Picture1Visible() const { return !controls_.Picture1->isHidden(); }

void WindowHost::setPicture1Visible(bool visible) {
    controls_.Picture1->setVisible(visible);
    // The engine shows the progress area as a run starts copying.
    if (visible && !notice_.copying()) notice_.copyingStarted();
}

float WindowHost::Picture1InnerWidth() const {
    return Twips::fromPixels(controls_.Picture1->contentsRect().width());
}

void WindowHost::setFrame1Enabled(bool enabled) { controls_.Frame1->setEnabled(enabled); }

void WindowHost::setCommand5Enabled(bool enabled) { controls_.Command5->setEnabled(enabled); }

void WindowHost::setCaption(const std::string& caption) {
    window_.setWindowTitle(QString::fromStdString(caption));
}

qz::MsgAnswer WindowHost::MsgBox(const std::string& text, const std::string& title, int style) {
    if (qz::Interruption::ending())
        return style == qz::MsgQuestion ? qz::MsgAnswer::No : qz::MsgAnswer::Ok;
    // Every question comes before the copying: a box while copying is the
    // run's last, the word it ends with.
    if (notice_.copying())
        notice_.finished(QString::fromStdString(text), window_.isActiveWindow());
    return boxes_.show(&window_, QString::fromStdString(text), QString::fromStdString(title),
                       style);
}

void WindowHost::DoEvents() { pump_.pump(); }

}  // namespace qzmainwindow
