#pragma once
// Where a split cuts: the chunk boundary rule, the one place that says how
// big each slice of a set is. The split's copy, the check of a set, the
// refusal of slices too small and the count for a largest slice all ask it.

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace qz {

class SliceSizes {
public:
    static constexpr std::int64_t kChunk = 65535;  // bytes, not 65 536
    // The most slices a set has: the count field takes three digits.
    static constexpr std::int64_t kMostSlices = 999;

    // The slice sizes of a split of len bytes into n slices: slices 1 to n-1
    // end at the largest multiple of the chunk strictly below k·(len / n),
    // and the last takes the rest.
    static std::vector<std::int64_t> sizesFor(std::int64_t len, std::int64_t n);
    // The least and the most bytes the last slice can have in a split whose
    // other slices have the sizes before; nothing when no split makes those.
    static std::optional<std::pair<std::int64_t, std::int64_t>> lastSizes(
        const std::vector<std::int64_t>& before);
    // Whether a split of len bytes into n slices is refused: slices of one
    // chunk or less would not keep their contents whole.
    static bool tooSmall(std::int64_t len, std::int64_t n);
    // The smallest count from 1 to most whose slices of a len-byte file are
    // all at most maxSize bytes; 0 when there is none.
    static std::int64_t smallestCount(std::int64_t len, std::int64_t maxSize, std::int64_t most);
};

}  // namespace qz
