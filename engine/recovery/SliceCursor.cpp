#include "engine/recovery/SliceCursor.h"

#include <stdexcept>

namespace qz {

std::int64_t SliceCursor::take(std::size_t slice, std::size_t size) {
    if (slice == slice_ + 1 && sliceWhole() && slice < lengths_.size()) {
        slice_ = slice;
        at_ = 0;
    }
    if (slice != slice_ || static_cast<std::int64_t>(size) > lengths_[slice_] - at_)
        throw std::logic_error("recovery data: slice bytes handed over out of order");
    const std::int64_t start = at_;
    at_ += static_cast<std::int64_t>(size);
    return start;
}

}  // namespace qz
