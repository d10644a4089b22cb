#include "SliceNames.h"

#include "FileError.h"

namespace qz {

namespace {

char foldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Whether text starts with prefix, ASCII letters compared without case.
bool startsIgnoringCase(const std::string& text, const std::string& prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (foldCase(text[i]) != foldCase(prefix[i])) return false;
    return true;
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

std::string SliceNames::setPattern(const std::string& stem) { return stem + ".QZ*"; }

int SliceNames::TheRightName(const std::string& names) {
    std::size_t p = names.rfind('.');
    return p == std::string::npos ? 0 : static_cast<int>(p) + 1;
}

std::string SliceNames::cutBeforeLastDot(const std::string& names) {
    int p = TheRightName(names);
    if (p == 0) throw FileError("no extension to cut", names);
    return names.substr(0, static_cast<std::size_t>(p) - 1);
}

std::string SliceNames::withoutLastFour(const std::string& name) {
    if (name.size() < 4) throw FileError("name too short", name);
    return name.substr(0, name.size() - 4);
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
