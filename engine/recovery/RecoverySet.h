#pragma once
// A slice set as its PAR2 files describe it, for a merge to mend: the
// slices with their lengths, MD5s and input constants, the recovery blocks
// found intact, and, once examined, which slices are intact, damaged or
// lost. It reads sets of one block per slice, as our encoder writes and as
// par2 create writes with a block size no smaller than the largest slice;
// sets that cut slices into several blocks are refused, pointing to
// par2 repair, which pieces such blocks together.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/recovery/Md5.h"
#include "engine/recovery/Par2Reader.h"

namespace qz {

class RecoverySet {
public:
    enum class State { Unexamined, Intact, Damaged, Lost };
    struct Slice {
        std::string name;  // in the set's folder
        std::int64_t length;
        Md5::Digest md5;
        std::uint16_t constant;  // its input block's
        State state = State::Unexamined;
    };

    // Reads the PAR2 files of the set setName ("NAME.QZ") in dir (ending
    // in "/"): every setName*.par2 there. FileError, with a reason to show,
    // when they hold no set that can be used.
    static RecoverySet read(const std::string& dir, const std::string& setName);
    // The same for the set whose index file is at path (dir/NAME.QZ.par2),
    // which need not be there itself.
    static RecoverySet readIndex(const std::string& path);

    // Reads every slice and tells its state: lost when it is not there,
    // damaged when its length or MD5 differs. FileError when one that is
    // there cannot be read. between runs after each piece read, for the
    // window to repaint.
    void examine(const std::function<void()>& between = {});

    const std::string& dir() const { return dir_; }
    std::int64_t blockSize() const { return blockSize_; }
    const std::vector<Slice>& slices() const { return slices_; }
    // The intact recovery blocks, by exponent.
    const std::vector<Par2Reader::Block>& blocks() const { return blocks_; }
    // The slices examined and found damaged or lost, by index.
    std::vector<std::size_t> unusable() const;
    // Whether there are recovery blocks enough for the unusable slices.
    bool mendable() const { return unusable().size() <= blocks_.size(); }

private:
    RecoverySet() = default;
    // Takes set as this set, or throws the reason it cannot be.
    void adopt(const Par2Reader::Set& set, const std::string& indexPath);

    std::string dir_;
    std::int64_t blockSize_ = 0;
    std::vector<Slice> slices_;
    std::vector<Par2Reader::Block> blocks_;
};

}  // namespace qz
