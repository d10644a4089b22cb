#pragma once
// Which file a name led to when it was looked at: device and inode. A name
// can be given to another file at any time; this cannot.

#include <cstdint>

namespace qz {

struct FileId {
    std::uint64_t dev = 0;
    std::uint64_t ino = 0;

    bool operator==(const FileId&) const = default;
};

}  // namespace qz
