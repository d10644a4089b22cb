#pragma once
// The texts qzslice-cli prints, in the user's language: English in the code,
// looked up in the qzslice-cli catalog (po/zh_CN.po). The window's own texts
// never pass through here, so the window reads the same in every locale; the
// domain is named on every lookup, so whatever domain a program has chosen
// for itself, these texts come from this one catalog.

#include <initializer_list>
#include <string>

namespace qz {

inline constexpr const char* kTextDomain = "qzslice-cli";

// Marks msgid for the catalog where it is not translated yet: it is
// translated where it is shown, by tr.
constexpr const char* mark(const char* msgid) { return msgid; }
// msgid in the user's language; msgid itself when the catalog has no text.
const char* tr(const char* msgid);
// msgid translated, with %1 ... %9 replaced by args[0] ... args[8]; a "%"
// before anything else stays as it is.
std::string tr(const char* msgid, std::initializer_list<std::string> args);
// The singular or plural msgid as the language's rule wants it for n,
// translated, with %1 ... replaced as above.
std::string trn(const char* singular, const char* plural, unsigned long n,
                std::initializer_list<std::string> args);

}  // namespace qz
