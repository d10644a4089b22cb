#include "engine/SliceSizes.h"

#include <algorithm>

namespace qz {

std::vector<std::int64_t> SliceSizes::sizesFor(std::int64_t len, std::int64_t n) {
    const std::int64_t S = len / n;
    std::vector<std::int64_t> sizes;
    sizes.reserve(static_cast<std::size_t>(n));
    std::int64_t boundary = 0;
    for (std::int64_t k = 1; k < n; ++k) {
        // The largest multiple of the chunk strictly below k·S.
        const std::int64_t next = k * S > 0 ? (k * S - 1) / kChunk * kChunk : 0;
        sizes.push_back(next - boundary);
        boundary = next;
    }
    sizes.push_back(len - boundary);
    return sizes;
}

bool SliceSizes::tooSmall(std::int64_t len, std::int64_t n) { return len / n <= kChunk; }

std::int64_t SliceSizes::smallestCount(std::int64_t len, std::int64_t maxSize, std::int64_t most) {
    // Fewer than len / maxSize slices cannot hold len bytes.
    for (std::int64_t n = std::max<std::int64_t>(1, len / maxSize); n <= most; ++n) {
        const auto sizes = sizesFor(len, n);
        if (*std::max_element(sizes.begin(), sizes.end()) <= maxSize) return n;
    }
    return 0;
}

}  // namespace qz
