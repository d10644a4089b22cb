#include "engine/recovery/Par2Packet.h"

#include <algorithm>
#include <cstring>

namespace qz {

namespace {

constexpr std::size_t kTypeSize = 16;
constexpr std::array<const char*, 5> kTypeNames{
    "PAR 2.0\0Main\0\0\0\0", "PAR 2.0\0FileDesc", "PAR 2.0\0IFSC\0\0\0\0",
    "PAR 2.0\0RecvSlic", "PAR 2.0\0Creator\0"};

void putLe(Par2Packet::Bytes& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::uint64_t getLe(const std::uint8_t* in, int bytes) {
    std::uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = value << 8 | in[i];
    return value;
}

template <typename Array>
void put(Par2Packet::Bytes& out, const Array& bytes) {
    out.insert(out.end(), bytes.begin(), bytes.end());
}

Par2Packet::Id idAt(const std::uint8_t* in) {
    Par2Packet::Id id;
    std::memcpy(id.data(), in, id.size());
    return id;
}

// Zero bytes up to the next multiple of 4.
void padToWord(Par2Packet::Bytes& out) {
    while (out.size() % 4 != 0) out.push_back(0);
}

}  // namespace

std::optional<Par2Packet::Header> Par2Packet::parseHeader(const std::uint8_t* bytes) {
    if (!std::equal(kMagic.begin(), kMagic.end(), bytes)) return std::nullopt;
    Header header;
    header.length = getLe(bytes + 8, 8);
    if (header.length < kHeaderSize || header.length % 4 != 0) return std::nullopt;
    std::memcpy(header.md5.data(), bytes + 16, 16);
    header.setId = idAt(bytes + 32);
    header.type = Type::Other;
    for (std::size_t t = 0; t < kTypeNames.size(); ++t)
        if (std::memcmp(bytes + 48, kTypeNames[t], kTypeSize) == 0) header.type = static_cast<Type>(t);
    return header;
}

Par2Packet::Bytes Par2Packet::typeCode(Type type) {
    const char* name = kTypeNames.at(static_cast<std::size_t>(type));
    return Bytes(name, name + kTypeSize);
}

Par2Packet::Bytes Par2Packet::header(const Id& setId, Type type, std::uint64_t bodySize,
                                     const Md5::Digest& md5) {
    Bytes out;
    put(out, kMagic);
    putLe(out, kHeaderSize + bodySize, 8);
    put(out, md5);
    put(out, setId);
    put(out, typeCode(type));
    return out;
}

Par2Packet::Bytes Par2Packet::make(const Id& setId, Type type, const Bytes& body) {
    Md5 md5;
    md5.update(setId.data(), setId.size());
    md5.update(typeCode(type).data(), kTypeSize);
    md5.update(body.data(), body.size());
    Bytes packet = header(setId, type, body.size(), md5.digest());
    put(packet, body);
    return packet;
}

Par2Packet::Id Par2Packet::fileId(const Md5::Digest& head, std::uint64_t length,
                                  const std::string& name) {
    // Over the name as it is, without the zeros that pad it in the packet.
    Bytes hashed;
    put(hashed, head);
    putLe(hashed, length, 8);
    put(hashed, name);
    return Md5::of(hashed.data(), hashed.size());
}

bool Par2Packet::idLess(const Id& a, const Id& b) {
    return std::lexicographical_compare(a.rbegin(), a.rend(), b.rbegin(), b.rend());
}

Par2Packet::Bytes Par2Packet::mainBody(std::uint64_t blockSize, std::vector<Id> fileIds) {
    std::sort(fileIds.begin(), fileIds.end(), idLess);
    Bytes body;
    putLe(body, blockSize, 8);
    putLe(body, fileIds.size(), 4);
    for (const Id& id : fileIds) put(body, id);
    return body;
}

Par2Packet::Bytes Par2Packet::fileBody(const File& file) {
    Bytes body;
    put(body, file.id);
    put(body, file.md5);
    put(body, file.head);
    putLe(body, file.length, 8);
    put(body, file.name);
    padToWord(body);
    return body;
}

Par2Packet::Bytes Par2Packet::checksumBody(const Id& fileId, const std::vector<BlockSum>& blocks) {
    Bytes body;
    put(body, fileId);
    for (const BlockSum& block : blocks) {
        put(body, block.md5);
        putLe(body, block.crc, 4);
    }
    return body;
}

Par2Packet::Bytes Par2Packet::creatorBody(const std::string& text) {
    Bytes body(text.begin(), text.end());
    padToWord(body);
    return body;
}

std::optional<Par2Packet::Main> Par2Packet::parseMain(const Bytes& body) {
    if (body.size() < 12) return std::nullopt;
    Main main;
    main.blockSize = getLe(body.data(), 8);
    const std::uint64_t count = getLe(body.data() + 8, 4);
    // The ids of files recovery does not cover may follow: never read here.
    if (main.blockSize == 0 || main.blockSize % 4 != 0 || count > (body.size() - 12) / 16 ||
        (body.size() - 12) % 16 != 0)
        return std::nullopt;
    for (std::uint64_t i = 0; i < count; ++i) main.fileIds.push_back(idAt(body.data() + 12 + 16 * i));
    return main;
}

std::optional<Par2Packet::File> Par2Packet::parseFile(const Bytes& body) {
    if (body.size() < 56) return std::nullopt;
    File file;
    file.id = idAt(body.data());
    file.md5 = idAt(body.data() + 16);
    file.head = idAt(body.data() + 32);
    file.length = getLe(body.data() + 48, 8);
    const auto* name = reinterpret_cast<const char*>(body.data() + 56);
    file.name.assign(name, strnlen(name, body.size() - 56));
    return file;
}

}  // namespace qz
