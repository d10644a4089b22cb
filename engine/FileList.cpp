#include "FileList.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "FileError.h"

namespace qz {

namespace {

char foldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Classic wildcard match with backtracking to the last "*".
bool matchFrom(const std::string& pat, const std::string& name) {
    std::size_t p = 0, n = 0, star = std::string::npos, resume = 0;
    while (n < name.size()) {
        if (p < pat.size() && pat[p] == '*') {
            star = p++;
            resume = n;
        } else if (p < pat.size() && foldCase(pat[p]) == foldCase(name[n])) {
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
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(path_.c_str()), ::closedir);
    if (!dir) throw FileError("list", path_, errno);
    std::vector<std::string> names;
    errno = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        std::string name = entry->d_name;
        if (name == "." || name == ".." || !matches(pattern_, name)) continue;
        struct stat st {};
        // Plain files only; a link counts as what it points to.
        if (::fstatat(::dirfd(dir.get()), name.c_str(), &st, 0) == 0 && S_ISREG(st.st_mode))
            names.push_back(std::move(name));
        errno = 0;
    }
    if (errno != 0) throw FileError("list", path_, errno);
    std::sort(names.begin(), names.end());
    names_ = std::move(names);
}

std::string FileList::fullPath(int index) const {
    std::string dir = path_;
    if (dir.empty() || dir.back() != '/') dir += '/';
    return dir + List(index);
}

}  // namespace qz
