#include "engine/recovery/Par2Reader.h"

#include <algorithm>
#include <utility>

#include "engine/io/FileHandle.h"
#include "engine/io/Interruption.h"

namespace qz {

namespace {

// Read at once while looking for packets or checking a large one.
constexpr std::int64_t kWindow = std::int64_t{1} << 20;
// Packets larger than this are hashed as they are read, never kept: no
// description of a set that this engine reads comes near it.
constexpr std::uint64_t kLargestKept = std::uint64_t{16} << 20;
// A recovery packet's body starts with the exponent.
constexpr std::int64_t kExponentSize = 4;

}  // namespace

Par2Reader::Window::Window(const FileHandle& file) : file_(file), end_(file.length()) {}

const std::uint8_t* Par2Reader::Window::bytes(std::int64_t offset, std::size_t size) {
    if (offset < 0 || static_cast<std::int64_t>(size) > end_ - offset) return nullptr;
    const auto last = offset + static_cast<std::int64_t>(size);
    if (offset < start_ || last > start_ + static_cast<std::int64_t>(buffer_.size())) {
        const std::int64_t fill = std::min(std::max(kWindow, static_cast<std::int64_t>(size)), end_ - offset);
        buffer_.resize(static_cast<std::size_t>(fill));
        file_.readAt(offset, buffer_.data(), buffer_.size());
        start_ = offset;
    }
    return buffer_.data() + (offset - start_);
}

std::int64_t Par2Reader::Window::find(std::int64_t from) {
    const auto& magic = Par2Packet::kMagic;
    const auto overlap = static_cast<std::int64_t>(magic.size()) - 1;
    while (end_ - from >= static_cast<std::int64_t>(magic.size())) {
        const auto size = static_cast<std::size_t>(std::min(kWindow, end_ - from));
        const std::uint8_t* seen = bytes(from, size);
        const std::uint8_t* found = std::search(seen, seen + size, magic.begin(), magic.end());
        if (found != seen + size) return from + (found - seen);
        from += static_cast<std::int64_t>(size) - overlap;
    }
    return -1;
}

void Par2Reader::read(const std::string& path) {
    const FileHandle file = FileHandle::openRead(path);
    Window window(file);
    Par2Packet::Bytes body;
    for (std::int64_t at = window.find(0); at >= 0; at = window.find(at)) {
        const std::uint8_t* head = window.bytes(at, Par2Packet::kHeaderSize);
        if (!head) break;
        const auto header = Par2Packet::parseHeader(head);
        const bool fits = header && header->length <= static_cast<std::uint64_t>(window.end() - at);
        std::string headBytes(head, head + Par2Packet::kHeaderSize);
        if (fits && taken_.count(headBytes)) {
            // The header of a packet already taken, as every volume repeats
            // the set's description: this copy adds nothing, even damaged.
            at += static_cast<std::int64_t>(header->length);
        } else if (fits && intact(window, at, *header, body)) {
            keep(path, at, *header, body, window);
            taken_.insert(std::move(headBytes));
            at += static_cast<std::int64_t>(header->length);
        } else {
            at += 1;  // damaged: what looked like its header may be inside another
        }
        Interruption::check();
    }
}

bool Par2Reader::intact(Window& window, std::int64_t offset, const Par2Packet::Header& header,
                        Par2Packet::Bytes& body) {
    Md5 md5;
    const auto hashedHead = Par2Packet::kHeaderSize - Par2Packet::kHashedFrom;
    md5.update(window.bytes(offset + static_cast<std::int64_t>(Par2Packet::kHashedFrom), hashedHead), hashedHead);
    const std::int64_t bodyAt = offset + static_cast<std::int64_t>(Par2Packet::kHeaderSize);
    const auto bodySize = static_cast<std::int64_t>(header.length - Par2Packet::kHeaderSize);
    const bool kept = header.type != Par2Packet::Type::Recovery && header.length <= kLargestKept;
    body.clear();
    for (std::int64_t at = 0; at < bodySize; at += kWindow) {
        const auto piece = static_cast<std::size_t>(std::min(kWindow, bodySize - at));
        const std::uint8_t* bytes = window.bytes(bodyAt + at, piece);
        md5.update(bytes, piece);
        if (kept) body.insert(body.end(), bytes, bytes + piece);
        Interruption::check();
    }
    return md5.digest() == header.md5;
}

void Par2Reader::keep(const std::string& path, std::int64_t offset, const Par2Packet::Header& header,
                      const Par2Packet::Bytes& body, Window& window) {
    Set& set = sets_[header.setId];
    switch (header.type) {
        case Par2Packet::Type::Main:
            if (!set.main) set.main = Par2Packet::parseMain(body);
            break;
        case Par2Packet::Type::FileDescription:
            if (const auto described = Par2Packet::parseFile(body)) set.files.emplace(described->id, *described);
            break;
        case Par2Packet::Type::Recovery: {
            const std::int64_t bodyAt = offset + static_cast<std::int64_t>(Par2Packet::kHeaderSize);
            const auto dataSize = static_cast<std::int64_t>(header.length - Par2Packet::kHeaderSize) - kExponentSize;
            if (dataSize < 0) break;
            const std::uint8_t* exponent = window.bytes(bodyAt, kExponentSize);
            const std::uint32_t e = exponent[0] | exponent[1] << 8 | exponent[2] << 16 |
                                    static_cast<std::uint32_t>(exponent[3]) << 24;
            set.blocks.emplace(e, Block{path, bodyAt + kExponentSize, dataSize, e});
            break;
        }
        default:
            break;  // the block checksums and the creator: nothing a rebuild needs
    }
}

}  // namespace qz
