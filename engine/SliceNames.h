#pragma once
// How slice files and the joined output are named. Slice k of the source N is
// N + ".QZ" + k in decimal without leading zeros; the first slice is N.QZ1 and
// a set whose first slice is F joins back into F less its last four characters.
// Names are UTF-8, and positions and lengths in them count characters, so a
// cut never falls inside a Chinese character.

#include <string>

namespace qz {

class SliceNames {
public:
    // dir (ending in "/") + name + ".QZ" + k.
    static std::string slicePath(const std::string& dir, const std::string& name,
                                 long k);
    // k when entry is stem + ".QZ" + k (k >= 1, no leading zero), ASCII
    // letters compared without regard to case as a FAT or exFAT volume
    // compares them; otherwise 0. Whether such a name is one of the set's is
    // for the file system to say, by resolving the set's own names.
    static long sliceIndex(const std::string& entry, const std::string& stem);

    // 1-based position, in characters, of the last "." in names; 0 when
    // there is none.
    static int TheRightName(const std::string& names);
    // names cut before its last "."; FileError when it holds none.
    static std::string cutBeforeLastDot(const std::string& names);
    // name less its last four characters; FileError when it has fewer.
    static std::string withoutLastFour(const std::string& name);

    // The characters in text. A well-formed UTF-8 sequence is one character,
    // and so is each byte that belongs to none, so names that are not valid
    // UTF-8 are still cut at byte boundaries that keep their valid parts.
    static std::size_t characterCount(const std::string& text);
    // The first n characters of text; all of it when it has fewer.
    static std::string firstCharacters(const std::string& text, std::size_t n);

    // Last path component: everything after the last "/".
    static std::string bareName(const std::string& path);
    // Everything up to and including the last "/" (empty when there is none).
    static std::string directoryOf(const std::string& path);
};

}  // namespace qz
