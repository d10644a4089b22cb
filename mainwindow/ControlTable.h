#pragma once
// The main window's controls as designed: one row each, with its kind, its
// container, its place and size in twips, its caption and its tab index. The
// rows of a container come in its stacking order, the top one first. Controls
// builds the window from this table; the table itself knows no widgets.

#include <span>

namespace qzmainwindow {

class ControlTable {
public:
    enum class Kind {
        PictureBox,  // the progress area: a sunken panel, its children inside the border
        Label,       // grows to its caption, and is never lower than the font's line
        Bar,         // the progress bar: a filled label, never below its area's inner edge
        Button,
        Frame,       // a group box without a title
        CheckBox,
        Option,      // one of the option array Option1
        PathField,   // a path the user reads but does not type
        CountField,  // the piece count, typed
    };
    // What a control is at start, beyond its caption.
    enum class Start { Normal, Selected, Disabled };

    struct Row {
        const char* name;
        Kind kind;
        const char* container;         // a control's name; nullptr for the client area
        int left, top, width, height;  // twips, in the container's client area
        const char* caption;           // UTF-8; a field's text at start
        int tabIndex;                  // of the design; the focus takes controls in its order
        Start start = Start::Normal;
    };

    // Every control, containers before what they hold.
    static std::span<const Row> rows();
};

}  // namespace qzmainwindow
