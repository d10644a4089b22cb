#pragma once
// The sums PAR2 keeps of each slice, taken as its bytes stream by once: the
// MD5 of the whole slice, and the MD5 and CRC-32 of its block, the slice
// padded with zeros to the block size. It also checks the first 16 KiB
// against their MD5 given beforehand, on which the set's ids and so all
// the recovery data were built: a source that changed in between is
// caught here rather than giving recovery data that repairs nothing.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/recovery/Crc32.h"
#include "engine/recovery/Md5.h"
#include "engine/recovery/SliceCursor.h"

namespace qz {

class SliceDigests {
public:
    // Bytes at the start of a slice that its file id is made from.
    static constexpr std::int64_t kHeadBytes = 16384;

    struct Slice {
        std::string name;     // its file name, beside the PAR2 files
        std::int64_t length;  // at least 1
        Md5::Digest head;     // of its first min(kHeadBytes, length) bytes
    };
    struct Sums {
        Md5::Digest file, block;
        std::uint32_t crc;  // of the block
    };

    SliceDigests(const std::vector<Slice>& slices, std::int64_t blockSize);

    // Adds the next size bytes of slice (0-based), in the order
    // SliceCursor describes. FileError when the first 16 KiB of a slice
    // differ from what was given.
    void add(std::size_t slice, const void* data, std::size_t size);
    bool done() const { return cursor_.done(); }
    // The sums of every slice, once done.
    const std::vector<Sums>& sums() const { return sums_; }

private:
    // Once the current slice's first bytes are all in: FileError unless
    // they are the ones given.
    void checkHead();
    // Ends the current slice: pads its block, keeps its sums.
    void endSlice();

    const std::vector<Slice>& slices_;
    std::int64_t blockSize_;
    SliceCursor cursor_;
    Md5 file_, head_;
    Crc32 crc_;
    std::vector<Sums> sums_;
};

}  // namespace qz
