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
// Whole chunks the kernel moves in one call: about a megabyte.
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

void ChunkCopy::close() { input_.close(); }

void ChunkCopy::copyTo(std::int64_t end, OutputFile& out) {
    // The kernel moves a batch of whole chunks in one call, which costs less
    // than a call for each; every chunk still takes its own progress step,
    // pump and check once its bytes are in.
    while (copied_ + kChunk < end) append(std::min(kBatch, (end - copied_ - 1) / kChunk) * kChunk, out);
    if (copied_ < end) append(end - copied_, out);
}

void ChunkCopy::append(std::int64_t size, OutputFile& out) {
    const std::int64_t from = copied_, end = copied_ + size;
    // What the kernel does not move, from wherever it stopped, goes through
    // memory: always so once it has stopped short, and while the bytes are
    // hashed. Either way every chunk then takes its own report.
    const std::int64_t inKernel =
        kernel_ && !hasher_ ? static_cast<std::int64_t>(out.file().appendFrom(
                                  input_, from, static_cast<std::size_t>(size)))
                            : 0;
    if (inKernel < size && !hasher_) kernel_ = false;
    if (inKernel < size) appendThroughMemory(from + inKernel, end, out);
    for (std::int64_t chunk = from; chunk < end; chunk += kChunk) {
        const std::int64_t chunkEnd = std::min(chunk + kChunk, end);
        copied_ = chunkEnd;
        report_.chunkAppended();
        passed(chunkEnd);
    }
}

void ChunkCopy::appendThroughMemory(std::int64_t start, std::int64_t end, OutputFile& out) {
    const auto size = static_cast<std::size_t>(end - start);
    unsigned char* bytes = nullptr;
    if (hasher_) {
        bytes = hasher_->buffer(size);
    } else {
        buffer_.resize(size);
        bytes = buffer_.data();
    }
    input_.readAt(start, bytes, size);
    if (hasher_) hasher_->hash();  // worked out while the bytes are written
    out.file().append(bytes, size);
}

void ChunkCopy::passed(std::int64_t position) {
    position_ = position;
    if (position == length_) return;
    report_.pump();
    Interruption::check();
}

}  // namespace qz
