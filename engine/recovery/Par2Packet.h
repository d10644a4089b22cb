#pragma once
// The PAR2 packets this engine writes and reads: their header (magic,
// length, MD5, recovery set, type) and the bodies of the main, file
// description, block checksum, recovery and creator packets. All integers
// are little-endian and every packet a multiple of 4 bytes long.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/recovery/Md5.h"

namespace qz {

class Par2Packet {
public:
    using Id = Md5::Digest;
    using Bytes = std::vector<std::uint8_t>;
    enum class Type { Main, FileDescription, BlockChecksums, Recovery, Creator, Other };

    static constexpr std::size_t kHeaderSize = 64;
    // Where a packet's MD5 starts: the recovery set's id, the type, the body.
    static constexpr std::size_t kHashedFrom = 32;
    static constexpr std::array<std::uint8_t, 8> kMagic{'P', 'A', 'R', '2', 0, 'P', 'K', 'T'};

    struct Header {
        std::uint64_t length;  // of the whole packet, header included
        Md5::Digest md5;       // of everything from kHashedFrom on
        Id setId;
        Type type;
    };
    // The header at bytes (kHeaderSize of them); nothing when they hold no
    // magic or a length no packet can have.
    static std::optional<Header> parseHeader(const std::uint8_t* bytes);
    // The header of a packet with a body of bodySize bytes, whose MD5 the
    // caller worked out over setId, the type and the body.
    static Bytes header(const Id& setId, Type type, std::uint64_t bodySize, const Md5::Digest& md5);
    // The 16 bytes that name type.
    static Bytes typeCode(Type type);
    // A whole packet with body (a multiple of 4 bytes long).
    static Bytes make(const Id& setId, Type type, const Bytes& body);

    // A file of the set, as its description packet gives it.
    struct File {
        Id id;
        Md5::Digest md5;   // of the whole file
        Md5::Digest head;  // of its first 16 KiB
        std::uint64_t length;
        std::string name;  // bytes as they are, without the padding
    };
    // The file id PAR2 gives a file of that head, length and name.
    static Id fileId(const Md5::Digest& head, std::uint64_t length, const std::string& name);

    // The order of file ids in the main packet, which is also the order of
    // the input blocks' constants: as 16-byte little-endian numbers.
    static bool idLess(const Id& a, const Id& b);
    // The main packet's body: the block size and the ids of the files
    // recovery covers, in idLess order. Its MD5 is the recovery set's id.
    static Bytes mainBody(std::uint64_t blockSize, std::vector<Id> fileIds);
    static Bytes fileBody(const File& file);
    struct BlockSum {
        Md5::Digest md5;
        std::uint32_t crc;
    };
    static Bytes checksumBody(const Id& fileId, const std::vector<BlockSum>& blocks);
    static Bytes creatorBody(const std::string& text);

    struct Main {
        std::uint64_t blockSize;
        std::vector<Id> fileIds;  // of the files recovery covers, in their order
    };
    // Nothing when the body cannot be a main or a file description packet's.
    static std::optional<Main> parseMain(const Bytes& body);
    static std::optional<File> parseFile(const Bytes& body);
};

}  // namespace qz
