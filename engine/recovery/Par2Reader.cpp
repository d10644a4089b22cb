#include "engine/recovery/Par2Reader.h"

#include <algorithm>

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

void Par2Reader::read(const std::string& path) {
    const FileHandle file = FileHandle::openRead(path);
    const std::int64_t end = file.length();
    Par2Packet::Bytes head(Par2Packet::kHeaderSize), body;
    for (std::int64_t at = findMagic(file, 0, end); at >= 0; at = findMagic(file, at, end)) {
        if (end - at < static_cast<std::int64_t>(Par2Packet::kHeaderSize)) break;
        file.readAt(at, head.data(), head.size());
        const auto header = Par2Packet::parseHeader(head.data());
        if (header && header->length <= static_cast<std::uint64_t>(end - at) &&
            intact(file, at, head, *header, body)) {
            keep(path, at, *header, body, file);
            at += static_cast<std::int64_t>(header->length);
        } else {
            at += 1;  // damaged: what looked like its header may be inside another
        }
        Interruption::check();
    }
}

std::int64_t Par2Reader::findMagic(const FileHandle& file, std::int64_t from, std::int64_t end) {
    const auto& magic = Par2Packet::kMagic;
    const auto overlap = static_cast<std::int64_t>(magic.size()) - 1;
    Par2Packet::Bytes window;
    while (end - from >= static_cast<std::int64_t>(magic.size())) {
        window.resize(static_cast<std::size_t>(std::min(kWindow, end - from)));
        file.readAt(from, window.data(), window.size());
        const auto found = std::search(window.begin(), window.end(), magic.begin(), magic.end());
        if (found != window.end()) return from + (found - window.begin());
        from += static_cast<std::int64_t>(window.size()) - overlap;
    }
    return -1;
}

bool Par2Reader::intact(const FileHandle& file, std::int64_t offset, const Par2Packet::Bytes& head,
                        const Par2Packet::Header& header, Par2Packet::Bytes& body) {
    const std::int64_t bodyAt = offset + static_cast<std::int64_t>(Par2Packet::kHeaderSize);
    const auto bodySize = static_cast<std::int64_t>(header.length - Par2Packet::kHeaderSize);
    Md5 md5;
    md5.update(head.data() + Par2Packet::kHashedFrom, Par2Packet::kHeaderSize - Par2Packet::kHashedFrom);
    if (header.type != Par2Packet::Type::Recovery && header.length <= kLargestKept) {
        body.resize(static_cast<std::size_t>(bodySize));
        file.readAt(bodyAt, body.data(), body.size());
        md5.update(body.data(), body.size());
        return md5.digest() == header.md5;
    }
    body.resize(static_cast<std::size_t>(std::min(bodySize, kWindow)));
    for (std::int64_t at = 0; at < bodySize; at += kWindow) {
        const auto piece = static_cast<std::size_t>(std::min(kWindow, bodySize - at));
        file.readAt(bodyAt + at, body.data(), piece);
        md5.update(body.data(), piece);
        Interruption::check();
    }
    body.clear();
    return md5.digest() == header.md5;
}

void Par2Reader::keep(const std::string& path, std::int64_t offset, const Par2Packet::Header& header,
                      const Par2Packet::Bytes& body, const FileHandle& file) {
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
            std::uint8_t exponent[kExponentSize];
            if (dataSize < 0) break;
            file.readAt(bodyAt, exponent, sizeof exponent);
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
