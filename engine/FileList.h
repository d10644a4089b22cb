#pragma once
// File1: the never-visible file list. It lists the bare names of the plain
// files in Path whose names match the wildcard Pattern, in name order.

#include <string>
#include <vector>

namespace qz {

class FileList {
public:
    const std::string& Pattern() const { return pattern_; }
    // Sets the wildcard ("*" stands for any run of characters); it takes
    // effect at the next read (setPath or Refresh).
    void setPattern(const std::string& pattern);
    const std::string& Path() const { return path_; }
    // Sets the directory and re-reads; FileError if it is no readable directory.
    void setPath(const std::string& path);
    // Re-reads the directory; FileError if it can no longer be read.
    void Refresh();

    int ListCount() const { return static_cast<int>(names_.size()); }
    const std::string& List(int index) const { return names_.at(index); }
    // Full path of an entry: Path, a "/" if Path lacks one, the entry.
    std::string fullPath(int index) const;

    // Whole-name match of the wildcard, ASCII letters compared without case.
    static bool matches(const std::string& pattern, const std::string& name);
    // c as names are compared: ASCII letters in lower case.
    static char foldCase(char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }

private:
    // Path, a "/" if Path lacks one, and name.
    std::string inPath(const std::string& name) const;

    std::string pattern_ = "*";
    std::string path_;
    std::vector<std::string> names_;
};

}  // namespace qz
