#pragma once
// The CRC-32 of PAR2's block checksums (zlib's, as in Ethernet and ZIP) of
// a stream of bytes. The zeros that pad a short block are added in a few
// steps however many there are, without hashing them one by one.

#include <cstddef>
#include <cstdint>

namespace qz {

class Crc32 {
public:
    // Adds size bytes at data.
    void update(const void* data, std::size_t size);
    // Adds count zero bytes.
    void updateZeros(std::int64_t count);
    std::uint32_t value() const { return crc_; }

    // The CRC-32 of count zero bytes alone.
    static std::uint32_t ofZeros(std::int64_t count);

private:
    std::uint32_t crc_ = 0;
};

}  // namespace qz
