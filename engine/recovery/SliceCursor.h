#pragma once
// Where a stream of slices stands: the split hands the bytes of slice 1
// from its start to its end, then those of slice 2, and so on. Each part
// of the recovery encoder keeps its own, and refuses bytes out of that
// order, which would give recovery data for a set that never existed.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qz {

class SliceCursor {
public:
    explicit SliceCursor(std::vector<std::int64_t> lengths) : lengths_(std::move(lengths)) {}

    // Takes size bytes of slice (0-based) and says at which offset in it
    // they start: slice must be the current one, with room for them, or the
    // next once the current one is whole. std::logic_error otherwise.
    std::int64_t take(std::size_t slice, std::size_t size);
    std::size_t slice() const { return slice_; }
    // Whether the current slice has all its bytes.
    bool sliceWhole() const { return at_ == lengths_[slice_]; }
    // Whether every slice has all its bytes.
    bool done() const { return slice_ + 1 == lengths_.size() && sliceWhole(); }

private:
    std::vector<std::int64_t> lengths_;
    std::size_t slice_ = 0;
    std::int64_t at_ = 0;  // bytes of the current slice taken
};

}  // namespace qz
