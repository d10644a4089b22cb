#pragma once
// What the name of a dropped file says: the mode it selects, read from its
// last three characters, or a refusal when it names a later slice while
// merge mode is selected.

#include <string>

namespace qz {

class DroppedName {
public:
    enum class Choice {
        Split,    // select split mode, or stay in it
        Merge,    // select merge mode, or stay in it
        Refused,  // "请选择第一个切片文件": a later slice dropped in merge mode
    };

    // path without the blanks around it.
    static std::string trimmed(const std::string& path);
    // The path a drop names: given as it is when something exists there (a
    // name may really end in a blank), else given without the blanks around
    // it.
    static std::string path(const std::string& given);
    // The choice a drop of T leads to from the mode now selected. T ending in
    // "QZ1" (case kept) selects merge; in merge mode, "QZ" and any one other
    // character is refused; anything else selects split. T is UTF-8 and a
    // character is one code point.
    static Choice choose(bool mergeSelected, const std::string& T);
};

}  // namespace qz
