#include "engine/FileList.h"

#include <algorithm>

#include "engine/FileServices.h"

namespace qz {

namespace {

// Classic wildcard match with backtracking to the last "*".
bool matchFrom(const std::string& pat, const std::string& name) {
    std::size_t p = 0, n = 0, star = std::string::npos, resume = 0;
    while (n < name.size()) {
        if (p < pat.size() && pat[p] == '*') {
            star = p++;
            resume = n;
        } else if (p < pat.size() && FileList::foldCase(pat[p]) == FileList::foldCase(name[n])) {
            ++p;
            ++n;
        } else if (star != std::string::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pat.size() && pat[p] == '*') ++p;
    return p == pat.size();
}

}  // namespace

bool FileList::matches(const std::string& pattern, const std::string& name) {
    return matchFrom(pattern, name);
}

void FileList::setPattern(const std::string& pattern) {
    pattern_ = pattern;
}

void FileList::setPath(const std::string& path) {
    std::string old = path_;
    path_ = path;
    try {
        Refresh();
    } catch (...) {
        path_ = old;
        throw;
    }
}

void FileList::Refresh() {
    std::vector<std::string> names;
    for (std::string& name : FileServices::listDirectory(path_))
        if (matches(pattern_, name) && FileServices::FileExists(inPath(name)))
            names.push_back(std::move(name));
    std::sort(names.begin(), names.end());
    names_ = std::move(names);
}

std::string FileList::inPath(const std::string& name) const {
    std::string dir = path_;
    if (dir.empty() || dir.back() != '/') dir += '/';
    return dir + name;
}

std::string FileList::fullPath(int index) const { return inPath(List(index)); }

}  // namespace qz
