#pragma once
// The program's one main window. It owns the controls of the layout (made
// from ControlTable), the engine and the engine's host over the controls
// (WindowHost), and routes the controls' events to their handlers. It keeps no
// file logic beyond handing the operate button, source adoption and the pump
// to the engine. Files dropped anywhere on it come to DropFiles.

#include <QWidget>
#include <optional>

#include "dirpicker/SaveDirectoryDialog.h"
#include "engine/Engine.h"
#include "mainwindow/Controls.h"
#include "mainwindow/DesktopNotice.h"
#include "mainwindow/DropHandle.h"
#include "mainwindow/EventPump.h"
#include "mainwindow/MessageBoxes.h"
#include "mainwindow/OpenFileDialog.h"
#include "mainwindow/WindowHost.h"

namespace qzmainwindow {

class Form1 : public QWidget {
    Q_OBJECT
public:
    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    // The operate button: runs the split or the merge with this window as
    // the engine's host and returns how it ended. The count it reads is the
    // one the count field shows afterwards, however the button was pressed.
    qz::Engine::Outcome Command5_Click();
    // The About box.
    void Command1_Click();
    // The save-directory picker; the window is made topmost again after it.
    void Command4_Click();
    // The source button: the open-file dialog with the mode's filter; the
    // file chosen becomes the source. The mode stays as it is.
    void Command3_Click();
    // Takes the first dropped file as the source, in the mode its name
    // selects, and releases the drop. A drop handed over while an operation
    // runs is released unused.
    void DropFiles(DropHandle& hDrop);
    // A file given on the command line, here or to a second start: the
    // window comes to the front and takes path (the bytes of an absolute
    // name, in whatever encoding) as a drop of that one file. While an
    // operation runs it waits, the last one handed over, until it ends.
    void openFile(const QByteArray& path);
    // The mode switch; index is that of the option that became selected.
    void Option1_Click(int index);
    // The count normalisation run when Text2 loses the focus.
    void Text2_LostFocus();
    // Keeps the window above ordinary windows, where the platform can.
    void Form_Activate();
    // SIGINT, SIGTERM or SIGHUP (a logout) arrived: any modal window is
    // closed unanswered; an operation ends on its error path at its next
    // chunk, and the window closes once it is idle.
    void terminationRequested();

    // Takes path, a name as the window shows it (PathText), as the source of
    // the next operation: Text1, SrcName, Text3, File1 and the size caption.
    // A missing file is reported and empties Text1. The source dialog and
    // dropped files come through here.
    void adoptSource(const QString& path);

    qz::Engine& engine() { return engine_; }
    MessageBoxes& messageBoxes() { return boxes_; }
    OpenFileDialog& openFileDialog() { return openDialog_; }
    qzdirpicker::SaveDirectoryDialog& saveDirectoryDialog() { return pickerDialog_; }
    EventPump& eventPump() { return pump_; }
    // What the desktop hears of a run: its launcher's progress, word of its end.
    DesktopNotice& desktopNotice() { return notice_; }
    // The engine's view of the window's controls.
    WindowHost& host() { return host_; }
    // How the last run of the operate button ended.
    qz::Engine::Outcome lastOutcome() const { return lastOutcome_; }
    // Whether the window asked to stay above ordinary windows.
    bool topmost() const { return topmost_; }

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    // Names the window, gives it its caption, its fixed single border and its
    // size; true when it asked to stay above ordinary windows.
    bool frameWindow();
    // Connects the controls' events to their handlers.
    void routeEvents();
    void Form_Load();
    // True keeps the window open: a close request while busy.
    bool Form_Unload();
    // An operation is running.
    bool busy() const;
    // What a signal leads to: any modal window closed unanswered, and the
    // window closed once no modal loop, nor the handler that opened it, is
    // left on the stack; while an operation runs, the operation's end does.
    void closeOnceUnwound();
    // Accepts a drag of files as a copy while idle; refuses any other, and
    // every drag while an operation runs.
    void judgeDrag(QDropEvent& e);
    // What the source button's dialog is asked with in the mode now selected.
    OpenFileRequest openRequest() const;
    // Takes the focus off the count field, if it has it, so that the field's
    // focus-loss rule runs before the count is read.
    void leaveCountField();
    // Text2's key filter: true drops the key press.
    bool Text2_KeyPress(const QKeyEvent& key);

    // In the order they are made: the window's frame before its controls,
    // the controls, boxes, pump and desktop notice before the host over
    // them, the host before the engine.
    const bool topmost_;
    Controls controls_;
    MessageBoxes boxes_;
    OpenFileDialog openDialog_;
    qzdirpicker::SaveDirectoryDialog pickerDialog_;
    EventPump pump_;
    DesktopNotice notice_;
    WindowHost host_;
    qz::Engine engine_;
    qz::Engine::Outcome lastOutcome_ = qz::Engine::Outcome::Guard;
    std::optional<QByteArray> handedWhileBusy_;  // for openFile once the operation ends
    // The folder the program was started from, where the open-file dialog
    // opens; read once, when the window is built at start.
    const QString startDirectory_;
};

}  // namespace qzmainwindow
