#include "engine/recovery/SliceDigests.h"

#include <algorithm>

#include "engine/io/FileError.h"
#include "engine/io/Text.h"

namespace qz {

namespace {

std::vector<std::int64_t> lengthsOf(const std::vector<SliceDigests::Slice>& slices) {
    std::vector<std::int64_t> lengths;
    for (const auto& slice : slices) lengths.push_back(slice.length);
    return lengths;
}

}  // namespace

SliceDigests::SliceDigests(const std::vector<Slice>& slices, std::int64_t blockSize)
    : slices_(slices), blockSize_(blockSize), cursor_(lengthsOf(slices)) {}

void SliceDigests::add(std::size_t slice, const void* data, std::size_t size) {
    if (size == 0) return;
    const std::int64_t at = cursor_.take(slice, size);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    const std::int64_t headEnd = std::min(kHeadBytes, slices_[slice].length);
    if (at < headEnd) {
        head_.update(bytes, static_cast<std::size_t>(std::min<std::int64_t>(headEnd - at, size)));
        if (at + static_cast<std::int64_t>(size) >= headEnd) checkHead();
    }
    file_.update(bytes, size);
    crc_.update(bytes, size);
    if (cursor_.sliceWhole()) endSlice();
}

void SliceDigests::checkHead() {
    const Slice& slice = slices_[cursor_.slice()];
    if (head_.digest() != slice.head)
        throw FileError(tr("the source changed while it was read, at the start of"), slice.name);
    head_ = Md5();
}

void SliceDigests::endSlice() {
    const Slice& slice = slices_[cursor_.slice()];
    Sums sums{file_.digest(), {}, 0};
    file_.updateZeros(blockSize_ - slice.length);
    sums.block = file_.digest();
    crc_.updateZeros(blockSize_ - slice.length);
    sums.crc = crc_.value();
    sums_.push_back(sums);
    file_ = Md5();
    crc_ = Crc32();
}

}  // namespace qz
