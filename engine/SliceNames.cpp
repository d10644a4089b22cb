#include "engine/SliceNames.h"

#include "engine/FileError.h"
#include "engine/Text.h"

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

bool isContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Bytes in the character that starts at byte i of text: the length of the
// UTF-8 sequence its lead byte announces when the continuation bytes follow,
// otherwise 1.
std::size_t characterLength(const std::string& text, std::size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t n = lead >= 0xC2 && lead <= 0xDF   ? 2
                          : lead >= 0xE0 && lead <= 0xEF ? 3
                          : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                         : 1;
    if (n > text.size() - i) return 1;
    for (std::size_t k = 1; k < n; ++k)
        if (!isContinuationByte(text[i + k])) return 1;
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

long SliceNames::sliceIndex(const std::string& entry, const std::string& stem) {
    const std::string prefix = stem + ".QZ";
    if (entry.size() <= prefix.size() || !startsIgnoringCase(entry, prefix)) return 0;
    const std::string digits = entry.substr(prefix.size());
    if (digits[0] == '0' || digits.size() > 9) return 0;
    long k = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return 0;
        k = k * 10 + (c - '0');
    }
    return k;
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

std::string SliceNames::directoryOf(const std::string& path) {
    std::size_t p = path.rfind('/');
    return p == std::string::npos ? std::string() : path.substr(0, p + 1);
}

}  // namespace qz
