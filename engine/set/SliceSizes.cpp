#include "engine/set/SliceSizes.h"

#include <algorithm>
#include <limits>

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

std::optional<std::pair<std::int64_t, std::int64_t>> SliceSizes::lastSizes(
    const std::vector<std::int64_t>& before) {
    // Boundary k is B with k·S - 1 in [B, B + chunk): each boundary narrows
    // the nominal size S to a range; slice sizes of 0 are none a split makes.
    // In 128 bits: sizes near the largest a file may have add up past 64.
    __extension__ typedef __int128 Wide;
    constexpr Wide kLargest = std::numeric_limits<std::int64_t>::max();
    Wide lo = 1, hi = kLargest, boundary = 0, k = 0;
    for (const std::int64_t size : before) {
        if (size <= 0) return std::nullopt;
        boundary += size;
        ++k;
        lo = std::max(lo, (boundary + k) / k);  // ceil((boundary + 1) / k)
        hi = std::min(hi, (boundary + kChunk) / k);
    }
    if (k == 0 || lo > hi) return std::nullopt;
    // The source has n·S to n·S + n - 1 bytes, and no file more than kLargest.
    const Wide n = k + 1, least = n * lo - boundary, most = n * hi + n - 1 - boundary;
    if (least > kLargest) return std::nullopt;
    return std::make_pair(static_cast<std::int64_t>(least),
                          static_cast<std::int64_t>(std::min(most, kLargest)));
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
