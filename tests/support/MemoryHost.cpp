#include "tests/support/MemoryHost.h"

#include <cmath>

namespace qz {

void MemoryHost::focusText2SelectAll() {
    text2Focused = true;
    text2SelStart = 0;
    text2SelLength = static_cast<int>(text2.size());
}

void MemoryHost::setLabel6Width(float twips) {
    label6Width = roundToPixels ? std::round(twips / 15.0f) * 15.0f : twips;
    label6History.push_back(twips);
}

void MemoryHost::setLabel7(const std::string& t) {
    label7 = t;
    label7History.push_back(t);
}

MsgAnswer MemoryHost::MsgBox(const std::string& text, const std::string& title,
                             int style) {
    shown.push_back({text, title, style});
    if (style != MsgQuestion) return MsgAnswer::Ok;
    if (answers.empty()) return MsgAnswer::No;
    MsgAnswer a = answers.front();
    answers.pop_front();
    return a;
}

void MemoryHost::DoEvents() {
    ++doEventsCalls;
    if (onDoEvents) onDoEvents();
}

}  // namespace qz
