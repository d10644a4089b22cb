#pragma once
// Writes the PAR2 files of a set while the split cuts it: one input block
// per slice, the block size being the largest slice's rounded up to a
// multiple of 4, and count recovery blocks of exponents 0 to count - 1,
// each in a volume of its own that also describes the whole set, so any
// one volume repairs on its own. The source is read once, in order; no
// recovery block is ever held whole in memory: each is added up in the
// volume it is written to, read back a piece at a time, the page cache
// keeping that cheap, so memory stays a few MiB for any size and count.
//
// The caller reads the first 16 KiB of every slice beforehand (the set's
// ids, and so every block's factor, depend on them), creates the files
// Par2Names::all names, readable and writable, hands every byte of the
// slices over, calls finish(), then flushes and names the files.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/recovery/Md5.h"
#include "engine/recovery/Par2Packet.h"
#include "engine/recovery/SliceCursor.h"
#include "engine/recovery/SliceDigests.h"

namespace qz {

class FileHandle;

class RecoveryEncoder {
public:
    using Slice = SliceDigests::Slice;

    // outputs: the files Par2Names::all(setName, count) names, in that
    // order, empty, made with FileHandle::Access::ReadWrite; they must
    // outlast the encoder. std::invalid_argument for a count outside 1 to
    // the number of slices, an empty slice or too many slices; FileError
    // for a slice name par2 would not find the slice under.
    RecoveryEncoder(std::vector<Slice> slices, std::uint32_t count,
                    std::vector<FileHandle*> outputs);

    // The next size bytes of slice (0-based), from its first byte to its
    // last, slice after slice: addChunk is digestChunk then codeChunk. The
    // two touch nothing in common, so a caller may run each on a thread of
    // its own, each seeing the chunks in order.
    void addChunk(std::size_t slice, const void* data, std::size_t size);
    // The slices' sums; FileError when a slice's first 16 KiB are not what
    // was given to the constructor.
    void digestChunk(std::size_t slice, const void* data, std::size_t size);
    // The recovery blocks; FileError when a volume cannot be read or written.
    void codeChunk(std::size_t slice, const void* data, std::size_t size);
    // Once every byte has been handed over: completes the volumes and
    // writes the set's description into every file.
    void finish();

    std::int64_t blockSize() const { return blockSize_; }

private:
    // Adds the piece gathered in stage_ to every recovery block.
    void codeStage();
    // The recovery blocks' packet MD5s, over what they hold from offset
    // from to the block's end, read back.
    void hashTail(std::int64_t from);
    // Zeros where no slice reached, up to the block's end.
    void fillTail();
    // Main, file description, block checksum and creator packets.
    Par2Packet::Bytes description() const;

    std::vector<Slice> slices_;
    std::vector<FileHandle*> outputs_;
    std::int64_t blockSize_;
    std::vector<Par2Packet::Id> fileIds_;
    Par2Packet::Id setId_;
    std::vector<std::uint16_t> constants_;  // each slice's, by the order of the ids
    SliceDigests digests_;

    // The coding: pieces of a slice gather in stage_, then each recovery
    // block, read back where earlier slices reached, gets its product.
    SliceCursor cursor_;
    std::vector<std::uint16_t> factors_;  // the current slice's constant to each exponent
    std::vector<std::uint8_t> stage_, scratch_;
    std::int64_t stageAt_ = 0;     // offset in the slice of stage_'s first byte
    std::size_t staged_ = 0;
    std::int64_t written_ = 0;     // how far into the blocks any slice reached
    std::vector<Md5> packetMd5s_;  // filled while the last slice is added
};

}  // namespace qz
