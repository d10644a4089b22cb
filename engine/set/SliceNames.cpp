#include "engine/set/SliceNames.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include "engine/io/FileError.h"
#include "engine/io/Text.h"

namespace qz {

namespace {

// c with an ASCII letter in lower case.
char foldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Whether text starts with prefix, ASCII letters compared without case.
bool startsIgnoringCase(const std::string& text, const std::string& prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (foldCase(text[i]) != foldCase(prefix[i])) return false;
    return true;
}

// Bytes in the character that starts at byte i of text: the length of the
// UTF-8 sequence its lead byte announces when the continuation bytes follow,
// otherwise 1. Each byte of a truncated sequence is a character of its own,
// where ICU's U8_NEXT would take them together as one error; a sequence of
// the announced length counts whole, as it always has, even where U8_NEXT
// rejects it (an overlong form, a surrogate, beyond U+10FFFF).
std::size_t characterLength(const std::string& text, std::size_t i) {
    const std::size_t n = 1 + U8_COUNT_TRAIL_BYTES(static_cast<uint8_t>(text[i]));
    if (n > text.size() - i) return 1;
    for (std::size_t k = 1; k < n; ++k)
        if (!U8_IS_TRAIL(static_cast<uint8_t>(text[i + k]))) return 1;
    return n;
}

// The byte offset at which character n of text begins (its size when text
// has n characters or fewer).
std::size_t byteOffset(const std::string& text, std::size_t n) {
    std::size_t i = 0;
    for (; n > 0 && i < text.size(); --n) i += characterLength(text, i);
    return i;
}

}  // namespace

std::string SliceNames::slicePath(const std::string& dir, const std::string& name,
                                  long k) {
    return dir + name + ".QZ" + std::to_string(k);
}

long SliceNames::trailingIndex(const std::string& entry) {
    const std::size_t dot = entry.rfind('.');
    if (dot == std::string::npos || entry.size() <= dot + 3 ||
        !startsIgnoringCase(entry.substr(dot), ".QZ"))
        return 0;
    const std::string digits = entry.substr(dot + 3);
    if (digits[0] == '0' || digits.size() > 9) return 0;
    long k = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return 0;
        k = k * 10 + (c - '0');
    }
    return k;
}

std::string SliceNames::foldCase(const std::string& name) {
    std::string folded;
    const auto* text = reinterpret_cast<const uint8_t*>(name.data());
    const auto length = static_cast<int32_t>(name.size());
    for (int32_t i = 0; i < length;) {
        const int32_t start = i;
        UChar32 c = 0;
        U8_NEXT(text, i, length, c);
        if (c < 0) {
            folded.append(name, static_cast<std::size_t>(start), static_cast<std::size_t>(i - start));
            continue;
        }
        char out[U8_MAX_LENGTH];
        int32_t n = 0;
        U8_APPEND_UNSAFE(out, n, u_foldCase(c, U_FOLD_CASE_DEFAULT));
        folded.append(out, static_cast<std::size_t>(n));
    }
    return folded;
}

int SliceNames::TheRightName(const std::string& names) {
    // No byte of a multi-byte character is a ".", so the last "." byte is
    // the last "." character.
    const std::size_t p = names.rfind('.');
    if (p == std::string::npos) return 0;
    return static_cast<int>(characterCount(names.substr(0, p))) + 1;
}

std::string SliceNames::cutBeforeLastDot(const std::string& names) {
    const int p = TheRightName(names);
    if (p == 0) throw FileError(tr("no extension to cut"), names);
    return firstCharacters(names, static_cast<std::size_t>(p) - 1);
}

std::string SliceNames::stemOf(const std::string& firstSlice) {
    return withoutLastFour(bareName(firstSlice));
}

std::string SliceNames::withoutLastFour(const std::string& name) {
    const std::size_t n = characterCount(name);
    if (n < 4) throw FileError(tr("name too short"), name);
    return firstCharacters(name, n - 4);
}

std::size_t SliceNames::characterCount(const std::string& text) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < text.size(); i += characterLength(text, i)) ++n;
    return n;
}

std::string SliceNames::firstCharacters(const std::string& text, std::size_t n) {
    return text.substr(0, byteOffset(text, n));
}

std::string SliceNames::bareName(const std::string& path) {
    std::size_t p = path.rfind('/');
    return p == std::string::npos ? path : path.substr(p + 1);
}

}  // namespace qz
