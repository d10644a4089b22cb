#pragma once
// The engine's host in the main window: the controls the engine reads and
// writes, by their design names, the window's message boxes and its event
// pump. A message box asked for while the program is being ended is answered
// at once, since nobody may be there to answer it. The path fields show a
// name in PathText's form and hand the engine its bytes. What the progress
// area and the run's last message box show, the desktop hears too
// (DesktopNotice).

#include <QString>
#include <string>

#include "engine/Host.h"

class QLabel;
class QLineEdit;
class QWidget;

namespace qzmainwindow {

class Controls;
class DesktopNotice;
class EventPump;
class MessageBoxes;

class WindowHost : public qz::Host {
public:
    // window owns the controls, and is the parent of the message boxes and
    // the caption the engine sets.
    WindowHost(QWidget& window, const Controls& controls, MessageBoxes& boxes, EventPump& pump,
               DesktopNotice& notice);

    // A path field shows the start of its path, as typed text would; the
    // whole path is in its tooltip.
    static void showPath(QLineEdit& field, const QString& path);

    bool Option1_0() const override;
    std::string Text1() const override;
    void setText1(const std::string& text) override;
    std::string Text2() const override;
    void focusText2SelectAll() override;
    std::string Text3() const override;
    void setText3(const std::string& text) override;
    bool Check1() const override;
    void setLabel3(const std::string& caption) override;
    void setLabel6Width(float twips) override;
    float Label6Width() const override;
    void setLabel7(const std::string& text) override;
    bool Picture1Visible() const override;
    void setPicture1Visible(bool visible) override;
    float Picture1InnerWidth() const override;
    void setFrame1Enabled(bool enabled) override;
    void setCommand5Enabled(bool enabled) override;
    void setCaption(const std::string& caption) override;
    qz::MsgAnswer MsgBox(const std::string& text, const std::string& title,
                         int style) override;
    void DoEvents() override;

private:
    // Shows caption in a label that grows with its caption.
    static void showCaption(QLabel& label, const std::string& caption);

    QWidget& window_;
    const Controls& controls_;
    MessageBoxes& boxes_;
    EventPump& pump_;
    DesktopNotice& notice_;
};

}  // namespace qzmainwindow
