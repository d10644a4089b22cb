#pragma once
// The rules of the piece-count field Text2: which typed characters it keeps,
// and the text it is left with when it loses the focus.

#include <QString>

class QKeyEvent;

namespace qzmainwindow {

class PieceCount {
public:
    static constexpr int kMaxLength = 3;
    // A key that types nothing (Tab, the arrows, Home, Delete, a lone Shift):
    // the filter lets it through untouched.
    static constexpr int kNoCharacter = -1;

    // The character code a key press types, as the key filter judges it:
    // 13 for Enter, 8 for backspace, the control codes 3, 22 and 24 for the
    // clipboard shortcuts, 1 to 26 for Ctrl with a letter, else the first
    // character of the typed text; kNoCharacter when it types nothing.
    static int characterCode(const QKeyEvent& event);
    // Kept by Text2_KeyPress: the digits 0 to 9 and backspace.
    static bool keepsCharacter(int code);
    // Text2_LostFocus: the text is "2" unless it reads as a number of at
    // least 2 whose first character is a digit other than 0.
    static QString normalised(const QString& text);

private:
    // Step 1's reading: a plain decimal number, optionally signed and padded
    // with blanks. Fills value and returns true when text is one.
    static bool readNumber(const QString& text, double& value);
};

}  // namespace qzmainwindow
