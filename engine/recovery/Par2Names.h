#pragma once
// How the PAR2 files of a set are named, and which slice names PAR2 can
// carry. The set NAME.QZ gets NAME.QZ.par2, which describes the slices, and
// one volume per recovery block, NAME.QZ.vol<e>+1.par2 for the block of
// exponent e, padded with zeros to one width: the names par2 itself gives
// with one block per file, so it finds them all from any one of them.

#include <cstdint>
#include <string>
#include <vector>

namespace qz {

class Par2Names {
public:
    // The set's index file: setName + ".par2".
    static std::string index(const std::string& setName);
    // The volume holding the block of exponent e of count blocks.
    static std::string volume(const std::string& setName, std::uint32_t e, std::uint32_t count);
    // The index, then the volumes of exponents 0 to count - 1.
    static std::vector<std::string> all(const std::string& setName, std::uint32_t count);
    // Whether a directory entry may be one of the set's PAR2 files (the
    // index, a volume, or another name par2 gives).
    static bool mayBelongTo(const std::string& entry, const std::string& setName);
    // Why par2 on Linux would look for a file of this name elsewhere, or
    // under another name; nullptr when it finds it as it is. It takes a
    // backslash for a folder's separator and writes control characters
    // (a newline, a tab) as "%0A", "%09".
    static const char* unfit(const std::string& name);
};

}  // namespace qz
