#include "engine/recovery/Crc32.h"

#include <zlib.h>

#include <algorithm>
#include <climits>

namespace qz {

void Crc32::update(const void* data, std::size_t size) {
    const auto* p = static_cast<const Bytef*>(data);
    while (size > 0) {
        const auto piece = static_cast<uInt>(std::min<std::size_t>(size, UINT_MAX));
        crc_ = static_cast<std::uint32_t>(crc32(crc_, p, piece));
        p += piece;
        size -= piece;
    }
}

void Crc32::updateZeros(std::int64_t count) {
    if (count > 0) crc_ = static_cast<std::uint32_t>(crc32_combine(crc_, ofZeros(count), count));
}

std::uint32_t Crc32::ofZeros(std::int64_t count) {
    // Doubling: the CRC of 2n zeros joins that of n zeros to itself, so
    // count zeros take two joins per bit of count.
    static constexpr Bytef kZero = 0;
    uLong total = 0, power = crc32(0, &kZero, 1);
    for (std::int64_t length = 1; count > 0; count >>= 1, length <<= 1) {
        if (count & 1) total = crc32_combine(total, power, length);
        if (count > 1) power = crc32_combine(power, power, length);
    }
    return static_cast<std::uint32_t>(total);
}

}  // namespace qz
