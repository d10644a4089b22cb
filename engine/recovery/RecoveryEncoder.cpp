#include "engine/recovery/RecoveryEncoder.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <stdexcept>

#include "engine/io/FileError.h"
#include "engine/io/FileHandle.h"
#include "engine/io/Text.h"
#include "engine/recovery/Galois16.h"
#include "engine/recovery/Par2Names.h"

namespace qz {

namespace {

// A piece of a slice, added to every recovery block at once: large enough
// that reading a block back and writing it cost little per byte, small
// enough for two of them to stay far below the memory a run may take.
constexpr std::size_t kPiece = std::size_t{2} << 20;
// A volume's recovery data starts after its packet's header and exponent.
constexpr std::int64_t kDataOffset = Par2Packet::kHeaderSize + 4;
constexpr const char* kCreator = "Created by qzslice, https://qzslice.org/";

// The block size for these slices, once they and the outputs are checked.
std::int64_t checkedBlockSize(const std::vector<RecoveryEncoder::Slice>& slices,
                              std::uint32_t count, std::size_t outputs) {
    if (slices.empty() || slices.size() > Galois16::kMaxInputs)
        throw std::invalid_argument("recovery data: from 1 to 32768 slices");
    if (count < 1 || count > slices.size())
        throw std::invalid_argument("recovery data: from 1 recovery block to one per slice");
    if (outputs != count + 1) throw std::invalid_argument("recovery data: one file per name");
    std::int64_t largest = 0;
    for (const auto& slice : slices) {
        if (slice.length < 1) throw std::invalid_argument("recovery data: an empty slice");
        if (const char* reason = Par2Names::unfit(slice.name)) throw FileError(tr(reason), slice.name);
        largest = std::max(largest, slice.length);
    }
    return (largest + 3) / 4 * 4;
}

std::vector<Par2Packet::Id> idsOf(const std::vector<RecoveryEncoder::Slice>& slices) {
    std::vector<Par2Packet::Id> ids;
    for (const auto& slice : slices)
        ids.push_back(Par2Packet::fileId(slice.head, static_cast<std::uint64_t>(slice.length), slice.name));
    return ids;
}

// Slice indexes in the order of their file ids, which is the order of the
// main packet and of the input blocks' constants.
std::vector<std::size_t> orderOf(const std::vector<Par2Packet::Id>& ids) {
    std::vector<std::size_t> order(ids.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return Par2Packet::idLess(ids[a], ids[b]); });
    return order;
}

std::vector<std::uint16_t> constantsFor(const std::vector<Par2Packet::Id>& ids) {
    const std::vector<std::size_t> order = orderOf(ids);
    std::vector<std::uint16_t> constants(ids.size());
    for (std::size_t rank = 0; rank < order.size(); ++rank)
        constants[order[rank]] = Galois16::inputConstant(rank);
    return constants;
}

std::vector<std::int64_t> lengthsOf(const std::vector<RecoveryEncoder::Slice>& slices) {
    std::vector<std::int64_t> lengths;
    for (const auto& slice : slices) lengths.push_back(slice.length);
    return lengths;
}

}  // namespace

RecoveryEncoder::RecoveryEncoder(std::vector<Slice> slices, std::uint32_t count,
                                 std::vector<FileHandle*> outputs)
    : slices_(std::move(slices)),
      outputs_(std::move(outputs)),
      blockSize_(checkedBlockSize(slices_, count, outputs_.size())),
      fileIds_(idsOf(slices_)),
      setId_([this] {
          const Par2Packet::Bytes main = Par2Packet::mainBody(static_cast<std::uint64_t>(blockSize_), fileIds_);
          return Md5::of(main.data(), main.size());
      }()),
      constants_(constantsFor(fileIds_)),
      digests_(slices_, blockSize_),
      cursor_(lengthsOf(slices_)),
      factors_(count),
      stage_(kPiece + 2),
      scratch_(kPiece + 2),
      packetMd5s_(count) {
    const Par2Packet::Bytes type = Par2Packet::typeCode(Par2Packet::Type::Recovery);
    for (std::uint32_t e = 0; e < count; ++e) {
        const std::uint8_t exponent[4] = {static_cast<std::uint8_t>(e), static_cast<std::uint8_t>(e >> 8),
                                          static_cast<std::uint8_t>(e >> 16), static_cast<std::uint8_t>(e >> 24)};
        packetMd5s_[e].update(setId_.data(), setId_.size());
        packetMd5s_[e].update(type.data(), type.size());
        packetMd5s_[e].update(exponent, sizeof exponent);
    }
}

void RecoveryEncoder::addChunk(std::size_t slice, const void* data, std::size_t size) {
    digestChunk(slice, data, size);
    codeChunk(slice, data, size);
}

void RecoveryEncoder::digestChunk(std::size_t slice, const void* data, std::size_t size) {
    digests_.add(slice, data, size);
}

void RecoveryEncoder::codeChunk(std::size_t slice, const void* data, std::size_t size) {
    if (size == 0) return;
    if (cursor_.take(slice, size) == 0) {
        for (std::size_t e = 0; e < factors_.size(); ++e)
            factors_[e] = Galois16::power(constants_[slice], static_cast<std::uint32_t>(e));
        stageAt_ = 0;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
        const std::size_t piece = std::min(size, kPiece - staged_);
        std::memcpy(stage_.data() + staged_, bytes, piece);
        staged_ += piece;
        bytes += piece;
        size -= piece;
        if (staged_ == kPiece) codeStage();
    }
    if (cursor_.sliceWhole() && staged_ > 0) codeStage();
}

void RecoveryEncoder::codeStage() {
    // A slice of odd length ends on half a word, whose other half is
    // the block's zero padding.
    std::size_t bytes = staged_;
    if (bytes % 2 != 0) stage_[bytes++] = 0;
    // The last slice gives every offset it reaches its final value, in
    // order from the start: the packets' MD5s go along with it.
    const bool last = cursor_.slice() + 1 == slices_.size();
    const auto earlier = static_cast<std::size_t>(
        std::clamp<std::int64_t>(written_ - stageAt_, 0, static_cast<std::int64_t>(bytes)));
    for (std::size_t e = 0; e < factors_.size(); ++e) {
        FileHandle& volume = *outputs_[e + 1];
        if (earlier > 0) {
            volume.readAt(kDataOffset + stageAt_, scratch_.data(), earlier);
            Galois16::mulAdd(factors_[e], stage_.data(), scratch_.data(), earlier);
        }
        Galois16::mul(factors_[e], stage_.data() + earlier, scratch_.data() + earlier, bytes - earlier);
        volume.writeAt(kDataOffset + stageAt_, scratch_.data(), bytes);
        if (last) packetMd5s_[e].update(scratch_.data(), bytes);
    }
    written_ = std::max(written_, stageAt_ + static_cast<std::int64_t>(bytes));
    stageAt_ += static_cast<std::int64_t>(staged_);
    staged_ = 0;
}

void RecoveryEncoder::fillTail() {
    std::fill(scratch_.begin(), scratch_.end(), 0);
    while (written_ < blockSize_) {
        const auto piece = static_cast<std::size_t>(
            std::min<std::int64_t>(blockSize_ - written_, static_cast<std::int64_t>(kPiece)));
        for (std::size_t e = 0; e < factors_.size(); ++e)
            outputs_[e + 1]->writeAt(kDataOffset + written_, scratch_.data(), piece);
        written_ += static_cast<std::int64_t>(piece);
    }
}

void RecoveryEncoder::hashTail(std::int64_t from) {
    for (std::size_t e = 0; e < factors_.size(); ++e)
        for (std::int64_t at = from; at < blockSize_; at += static_cast<std::int64_t>(kPiece)) {
            const auto piece = static_cast<std::size_t>(
                std::min<std::int64_t>(blockSize_ - at, static_cast<std::int64_t>(kPiece)));
            outputs_[e + 1]->readAt(kDataOffset + at, scratch_.data(), piece);
            packetMd5s_[e].update(scratch_.data(), piece);
        }
}

Par2Packet::Bytes RecoveryEncoder::description() const {
    using Type = Par2Packet::Type;
    Par2Packet::Bytes out = Par2Packet::make(
        setId_, Type::Main, Par2Packet::mainBody(static_cast<std::uint64_t>(blockSize_), fileIds_));
    const auto append = [&out](const Par2Packet::Bytes& packet) { out.insert(out.end(), packet.begin(), packet.end()); };
    const std::vector<std::size_t> order = orderOf(fileIds_);
    const std::vector<SliceDigests::Sums>& sums = digests_.sums();
    for (std::size_t i : order)
        append(Par2Packet::make(setId_, Type::FileDescription,
                                Par2Packet::fileBody({fileIds_[i], sums[i].file, slices_[i].head,
                                                      static_cast<std::uint64_t>(slices_[i].length),
                                                      slices_[i].name})));
    for (std::size_t i : order)
        append(Par2Packet::make(setId_, Type::BlockChecksums,
                                Par2Packet::checksumBody(fileIds_[i], {{sums[i].block, sums[i].crc}})));
    append(Par2Packet::make(setId_, Type::Creator, Par2Packet::creatorBody(kCreator)));
    return out;
}

void RecoveryEncoder::finish() {
    if (!digests_.done() || !cursor_.done())
        throw std::logic_error("recovery data: finished before every slice was handed over");
    // The last slice hashed what it reached, the word it ended in included.
    const std::int64_t hashed = (slices_.back().length + 1) / 2 * 2;
    fillTail();
    hashTail(hashed);
    const Par2Packet::Bytes described = description();
    outputs_[0]->writeAt(0, described.data(), described.size());
    for (std::uint32_t e = 0; e < factors_.size(); ++e) {
        Par2Packet::Bytes head = Par2Packet::header(setId_, Par2Packet::Type::Recovery,
                                                    static_cast<std::uint64_t>(4 + blockSize_),
                                                    packetMd5s_[e].digest());
        for (int i = 0; i < 4; ++i) head.push_back(static_cast<std::uint8_t>(e >> (8 * i)));
        FileHandle& volume = *outputs_[e + 1];
        volume.writeAt(0, head.data(), head.size());
        volume.writeAt(kDataOffset + blockSize_, described.data(), described.size());
    }
}

}  // namespace qz
