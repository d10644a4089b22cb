#pragma once
// Reads PAR2 files as damaged as they may be: it looks for packets by their
// magic anywhere in a file, takes each whose length fits in the file and
// whose MD5 is right, and looks on past anything else; a file cut short
// gives the packets before the cut. Packets are gathered by recovery set,
// from every file read, so the set's description may come from whichever
// file still holds it intact.

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "engine/recovery/Par2Packet.h"

namespace qz {

class FileHandle;

class Par2Reader {
public:
    // A recovery block found intact: where its data lies.
    struct Block {
        std::string path;
        std::int64_t offset;  // of its first byte of data
        std::int64_t length;
        std::uint32_t exponent;
    };
    // What one recovery set's intact packets say.
    struct Set {
        std::optional<Par2Packet::Main> main;
        std::map<Par2Packet::Id, Par2Packet::File> files;  // by file id
        std::map<std::uint32_t, Block> blocks;              // by exponent
    };

    // Reads every intact packet of the file at path; FileError when it
    // cannot be opened or read.
    void read(const std::string& path);
    const std::map<Par2Packet::Id, Set>& sets() const { return sets_; }

private:
    // A file seen through a buffer of a MiB or so, so that the many small
    // packets of a set's description cost one read between them.
    class Window {
    public:
        explicit Window(const FileHandle& file);
        std::int64_t end() const { return end_; }
        // The size bytes at offset, valid until the next call; nullptr
        // when the file ends before them.
        const std::uint8_t* bytes(std::int64_t offset, std::size_t size);
        // The offset of the next magic at or after from, or -1.
        std::int64_t find(std::int64_t from);

    private:
        const FileHandle& file_;
        std::int64_t end_;
        std::int64_t start_ = 0;  // the file's offset of buffer_'s first byte
        std::vector<std::uint8_t> buffer_;
    };

    // Whether the packet of header at offset is whole and its MD5 right;
    // leaves its body in body unless it is a recovery packet or too large
    // to keep.
    static bool intact(Window& window, std::int64_t offset, const Par2Packet::Header& header,
                       Par2Packet::Bytes& body);
    // Files the packet away under its set.
    void keep(const std::string& path, std::int64_t offset, const Par2Packet::Header& header,
              const Par2Packet::Bytes& body, Window& window);

    std::map<Par2Packet::Id, Set> sets_;
    std::set<std::string> taken_;  // the headers of the packets taken, byte for byte
};

}  // namespace qz
