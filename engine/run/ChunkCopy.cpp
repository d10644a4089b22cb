#include "engine/run/ChunkCopy.h"

#include <algorithm>

#include "engine/io/Interruption.h"
#include "engine/run/OutputFile.h"
#include "engine/run/RunReport.h"
#include "engine/run/HashPipe.h"
#include "engine/set/SliceSizes.h"

namespace qz {

namespace {

constexpr std::int64_t kChunk = SliceSizes::kChunk;
// Whole chunks moved in one call: about a megabyte.
constexpr std::int64_t kBatch = 16;

}  // namespace

ChunkCopy::ChunkCopy(RunReport& report, bool throughBuffer)
    : report_(report), kernel_(!throughBuffer) {}

void ChunkCopy::open(const std::string& path) { open(FileHandle::openRead(path)); }

void ChunkCopy::open(FileHandle input) {
    input_ = std::move(input);
    length_ = input_.length();
    position_ = copied_ = 0;
}

void ChunkCopy::copyTo(std::int64_t end, OutputFile& out) {
    end_ = end;
    chunkEnd_ = std::min(copied_ + kChunk, end_);
    if (kernel_ && !hasher_ && !sink_) copyInKernel(out);
    copyThroughMemory(out);
}

void ChunkCopy::copyInKernel(OutputFile& out) {
    while (copied_ < end_) {
        const std::size_t size = nextBatch();
        const std::size_t moved = out.appendFrom(input_, copied_, size);
        appended(moved);
        if (moved < size) {
            kernel_ = false;
            return;
        }
    }
}

void ChunkCopy::copyThroughMemory(OutputFile& out) {
    while (copied_ < end_) {
        const std::size_t size = nextBatch();
        unsigned char* bytes = nullptr;
        if (hasher_) {
            bytes = hasher_->buffer(size);
        } else {
            buffer_.resize(size);
            bytes = buffer_.data();
        }
        input_.readAt(copied_, bytes, size);
        if (hasher_) hasher_->hash();  // worked out while the bytes are written
        out.append(bytes, size);
        if (sink_) sink_(bytes, size);
        appended(size);
    }
}

std::size_t ChunkCopy::nextBatch() const {
    // A call for a batch of chunks costs less than a call for each; every
    // chunk still takes its own progress step, pump and check.
    if (copied_ + kChunk >= end_) return static_cast<std::size_t>(end_ - copied_);
    return static_cast<std::size_t>(std::min(kBatch, (end_ - copied_ - 1) / kChunk) * kChunk);
}

void ChunkCopy::appended(std::size_t size) {
    copied_ += static_cast<std::int64_t>(size);
    while (chunkEnd_ <= copied_ && position_ < chunkEnd_) {
        const std::int64_t chunk = chunkEnd_;
        chunkEnd_ = std::min(chunk + kChunk, end_);
        report_.chunkAppended();
        passed(chunk);
    }
}

void ChunkCopy::passed(std::int64_t position) {
    position_ = position;
    if (position == length_) return;
    report_.pump();
    Interruption::check();
}

}  // namespace qz
