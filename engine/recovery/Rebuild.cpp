#include "engine/recovery/Rebuild.h"

#include <algorithm>
#include <cerrno>
#include <stdexcept>

#include "engine/io/FileError.h"
#include "engine/io/FileHandle.h"
#include "engine/io/Interruption.h"
#include "engine/io/Sys.h"
#include "engine/io/Text.h"
#include "engine/recovery/Galois16.h"
#include "engine/recovery/Md5.h"

namespace qz {

namespace {

// The buffers of a rebuild together, well inside the 64 MiB a run may take
// with the factors beside them.
constexpr std::size_t kBuffers = std::size_t{40} << 20;
constexpr std::size_t kLargestChunk = std::size_t{4} << 20;
constexpr std::size_t kSmallestChunk = 64;

std::vector<std::size_t> checkedLost(const RecoverySet& set, std::vector<std::size_t> lost) {
    std::vector<std::size_t> sorted = lost;
    std::sort(sorted.begin(), sorted.end());
    if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end() ||
        (!sorted.empty() && sorted.back() >= set.slices().size()))
        throw std::invalid_argument("rebuild: each lost slice once, among the set's");
    return lost;
}

std::vector<std::size_t> othersThan(const RecoverySet& set, std::vector<std::size_t> lost) {
    std::sort(lost.begin(), lost.end());
    std::vector<std::size_t> others;
    for (std::size_t i = 0; i < set.slices().size(); ++i)
        if (!std::binary_search(lost.begin(), lost.end(), i)) others.push_back(i);
    return others;
}

std::vector<std::uint16_t> constantsOf(const RecoverySet& set, const std::vector<std::size_t>& slices) {
    std::vector<std::uint16_t> constants;
    for (std::size_t i : slices) constants.push_back(set.slices()[i].constant);
    return constants;
}

std::vector<std::uint32_t> exponentsOf(const RecoverySet& set) {
    std::vector<std::uint32_t> exponents;
    for (const auto& block : set.blocks()) exponents.push_back(block.exponent);
    return exponents;
}

// A file a rebuild reads, and where its data lies in it.
struct Source {
    FileHandle file;
    std::int64_t offset, length;
};

}  // namespace

Rebuild::Rebuild(const RecoverySet& set, std::vector<std::size_t> lost)
    : set_(set),
      lost_(checkedLost(set, std::move(lost))),
      present_(othersThan(set, lost_)),
      matrix_(constantsOf(set, lost_), exponentsOf(set), constantsOf(set, present_)) {
    if (!matrix_.solved())
        throw FileError(tr("%1 slices cannot be rebuilt from %2 intact recovery blocks",
                           {std::to_string(lost_.size()), std::to_string(set.blocks().size())}),
                        set.dir());
}

std::size_t Rebuild::chunkSize() const {
    const std::size_t share = kBuffers / (lost_.size() + 1) / kSmallestChunk * kSmallestChunk;
    return std::clamp(share, kSmallestChunk, kLargestChunk);
}

void Rebuild::write(const std::vector<FileHandle*>& outputs,
                    const std::function<void()>& between) const {
    if (outputs.size() != lost_.size()) throw std::invalid_argument("rebuild: one output per lost slice");
    const std::size_t used = matrix_.blocksUsed().size();
    if (Sys::allowOpenFiles(used + present_.size() + 64) != 0)
        throw FileError(tr("cannot open enough files at once in"), set_.dir(), errno);
    std::vector<Source> sources;
    for (std::size_t b : matrix_.blocksUsed()) {
        const Par2Reader::Block& block = set_.blocks()[b];
        sources.push_back({FileHandle::openRead(block.path), block.offset, block.length});
    }
    for (std::size_t i : present_)
        sources.push_back({FileHandle::openRead(set_.dir() + set_.slices()[i].name), 0, set_.slices()[i].length});

    std::int64_t longest = 0;
    for (std::size_t i : lost_) longest = std::max(longest, set_.slices()[i].length);
    const std::size_t chunk = chunkSize();
    // Two bytes more: a slice of odd length ends in half a word.
    std::vector<std::vector<std::uint8_t>> rebuilt(lost_.size(), std::vector<std::uint8_t>(chunk + 2));
    std::vector<std::uint8_t> input(chunk + 2);
    std::vector<Md5> md5s(lost_.size());
    for (std::int64_t at = 0; at < longest; at += static_cast<std::int64_t>(chunk)) {
        const auto bytes = static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(chunk), longest - at));
        // Whole words: the last byte of a slice of odd length is the low
        // half of a word whose high half still counts in the products.
        const std::size_t words = (bytes + 1) / 2 * 2;
        for (auto& buffer : rebuilt) std::fill(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(words), 0);
        for (std::size_t s = 0; s < sources.size(); ++s) {
            std::size_t got = static_cast<std::size_t>(
                std::clamp<std::int64_t>(sources[s].length - at, 0, static_cast<std::int64_t>(words)));
            if (got == 0) continue;  // past its end: zeros, which add nothing
            sources[s].file.readAt(sources[s].offset + at, input.data(), got);
            if (got % 2 != 0) input[got++] = 0;
            for (std::size_t j = 0; j < lost_.size(); ++j)
                Galois16::mulAdd(matrix_.factor(j, s), input.data(), rebuilt[j].data(), got);
        }
        for (std::size_t j = 0; j < lost_.size(); ++j) {
            const auto keep = static_cast<std::size_t>(std::clamp<std::int64_t>(
                set_.slices()[lost_[j]].length - at, 0, static_cast<std::int64_t>(bytes)));
            outputs[j]->append(rebuilt[j].data(), keep);
            md5s[j].update(rebuilt[j].data(), keep);
        }
        if (between) between();
        Interruption::check();
    }
    for (std::size_t j = 0; j < lost_.size(); ++j) {
        const RecoverySet::Slice& slice = set_.slices()[lost_[j]];
        if (md5s[j].digest() != slice.md5)
            throw FileError(tr("the rebuilt slice is not what its MD5 says: a slice taken for intact is not"),
                            set_.dir() + slice.name);
    }
}

}  // namespace qz
