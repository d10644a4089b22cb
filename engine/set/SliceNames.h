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
    // k when entry ends in ".QZ" + k (k >= 1, no leading zero, "QZ" in any
    // case); otherwise 0. Whether such a name is one of a set's is for the
    // file system to say, by resolving the set's own names: a volume that
    // folds case resolves "CAFÉ.QZ4" for "café.QZ4", one that does not never.
    static long trailingIndex(const std::string& entry);
    // name with every character case-folded (Unicode's simple folding, as a
    // FAT or exFAT volume's table compares names); bytes that are no valid
    // UTF-8 stay as they are.
    static std::string foldCase(const std::string& name);

    // 1-based position, in characters, of the last "." in names; 0 when
    // there is none.
    static int TheRightName(const std::string& names);
    // names cut before its last "."; FileError when it holds none.
    static std::string cutBeforeLastDot(const std::string& names);
    // name less its last four characters; FileError when it has fewer.
    static std::string withoutLastFour(const std::string& name);
    // The name a set's slices are named after, from its first slice's path
    // (NAME from dir/NAME.QZ1).
    static std::string stemOf(const std::string& firstSlice);

    // The characters in text. A well-formed UTF-8 sequence is one character,
    // and so is each byte that belongs to none, so names that are not valid
    // UTF-8 are still cut at byte boundaries that keep their valid parts.
    static std::size_t characterCount(const std::string& text);
    // The first n characters of text; all of it when it has fewer.
    static std::string firstCharacters(const std::string& text, std::size_t n);

    // Last path component: everything after the last "/".
    static std::string bareName(const std::string& path);
};

}  // namespace qz
