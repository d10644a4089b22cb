#pragma once
// The window as the engine sees it: the controls it reads and writes, the modal
// message box and the event pump. The Qt window and the tests' in-memory
// window are its two implementations.

#include <string>

namespace qz {

// Message box styles: the button set and the icon.
enum MsgStyle : int {
    MsgPlain = 0,      // OK only, no icon
    MsgQuestion = 36,  // question icon, Yes and No
    MsgWarning = 48,   // exclamation icon, OK
    MsgInfo = 64,      // information icon, OK
};

enum class MsgAnswer { Ok, Yes, No };

class Host {
public:
    virtual ~Host() = default;

    // Option1(0) selected: split mode; otherwise merge mode.
    virtual bool Option1_0() const = 0;

    virtual std::string Text1() const = 0;  // full path of the source
    virtual void setText1(const std::string& text) = 0;
    virtual std::string Text2() const = 0;  // piece count as typed
    // Gives Text2 the focus and selects its whole text, for retyping.
    virtual void focusText2SelectAll() = 0;
    virtual std::string Text3() const = 0;  // save location, ends in "/"
    virtual void setText3(const std::string& text) = 0;
    virtual bool Check1() const = 0;  // delete the slices after a merge

    virtual void setLabel3(const std::string& caption) = 0;  // size caption

    // The progress bar's width in twips; reads back as the control rounded it.
    virtual void setLabel6Width(float twips) = 0;
    virtual float Label6Width() const = 0;
    virtual void setLabel7(const std::string& text) = 0;  // percentage text

    // The progress area: shown while an operation copies.
    virtual bool Picture1Visible() const = 0;
    virtual void setPicture1Visible(bool visible) = 0;
    // Width inside the progress area's border, in twips: the bar at 100 %.
    virtual float Picture1InnerWidth() const = 0;

    virtual void setFrame1Enabled(bool enabled) = 0;
    virtual void setCommand5Enabled(bool enabled) = 0;
    virtual void setCaption(const std::string& caption) = 0;

    // Shows a modal message box; only MsgAnswer::Yes counts as consent.
    virtual MsgAnswer MsgBox(const std::string& text, const std::string& title,
                             int style) = 0;
    // Runs the window events that are pending, then returns.
    virtual void DoEvents() = 0;
};

}  // namespace qz
