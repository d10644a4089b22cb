#include "engine/ChunkCopy.h"

#include <algorithm>

#include "engine/Interruption.h"
#include "engine/OutputFile.h"
#include "engine/RunReport.h"
#include "engine/Sha256.h"
#include "engine/SliceSizes.h"

namespace qz {

namespace {

constexpr std::int64_t kChunk = SliceSizes::kChunk;
// Whole chunks the kernel moves in one call: about a megabyte.
constexpr std::int64_t kBatch = 16;

}  // namespace

ChunkCopy::ChunkCopy(RunReport& report, bool throughBuffer)
    : report_(report), kernel_(!throughBuffer) {}

void ChunkCopy::open(const std::string& path) {
    input_ = FileHandle::openRead(path);
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
    const std::int64_t from = copied_;
    if (hasher_ || !copyInKernel(size, out)) {
        for (std::int64_t done = 0; done < size; done += kChunk) {
            const std::int64_t piece = std::min(kChunk, size - done);
            buffer_.resize(static_cast<std::size_t>(piece));
            input_.readAt(from + done, buffer_.data(), buffer_.size());
            if (hasher_) hasher_->update(buffer_.data(), buffer_.size());
            out.file().append(buffer_.data(), buffer_.size());
            copied_ += piece;
            report_.chunkAppended();
            passed(from + done + piece);
        }
        return;
    }
    copied_ += size;
    for (std::int64_t done = 0; done < size; done += kChunk) {
        report_.chunkAppended();
        passed(from + std::min(size, done + kChunk));
    }
}

bool ChunkCopy::copyInKernel(std::int64_t size, OutputFile& out) {
    if (kernel_ && out.file().appendFrom(input_, copied_, static_cast<std::size_t>(size)))
        return true;
    kernel_ = false;
    return false;
}

void ChunkCopy::passed(std::int64_t position) {
    position_ = position;
    if (position == length_) return;
    report_.pump();
    Interruption::check();
}

}  // namespace qz
