#pragma once
// A scratch directory for one test, removed with everything in it afterwards;
// and small helpers to make and read files there.

#include <cstdint>
#include <string>
#include <vector>

namespace qz {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The directory's path with a trailing "/".
    const std::string& path() const { return path_; }
    // path() + name.
    std::string operator/(const std::string& name) const { return path_ + name; }

    // Deterministic pseudo-random bytes: distinct at every offset, so a
    // misplaced or repeated range shows in a byte comparison.
    static std::vector<unsigned char> pattern(std::int64_t size, unsigned seed = 1);
    static void write(const std::string& path, const std::vector<unsigned char>& bytes);
    static std::vector<unsigned char> read(const std::string& path);
    static bool exists(const std::string& path);  // any kind of entry, links too
    static std::int64_t size(const std::string& path);
    // Builds the UTF-8 locale of language (as "de_DE") in this directory,
    // from glibc's sources, so that LOCPATH set to path() finds it: false
    // where it cannot be made (no localedef, or no locales package).
    bool makeLocale(const std::string& language) const;

private:
    std::string path_;
};

}  // namespace qz
