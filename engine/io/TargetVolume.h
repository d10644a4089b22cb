#pragma once
// The volume a run is to write to, looked at before anything is written
// there: the longest name it holds, the bytes still free, and whether it is
// a FAT12, 16 or 32 volume, whose files end at 4 GiB - 1 bytes. A run that
// would fail halfway for any of these is refused at once instead, with a
// reason that says what would help.

#include <cstdint>
#include <string>
#include <vector>

namespace qz {

class TargetVolume {
public:
    static constexpr std::int64_t kFatLargest = (std::int64_t{4} << 30) - 1;

    // Looks at the volume that holds folder; FileError when it cannot.
    explicit TargetVolume(const std::string& folder);

    // FileError naming the first of names (to be made in the folder) that is
    // longer than the volume holds.
    void holdNames(const std::vector<std::string>& names) const;
    // FileError unless slices of these sizes, and files of extra bytes
    // beside them, can be written: each slice within a FAT volume's limit,
    // and all of them in the free space.
    void holdSlices(const std::vector<std::int64_t>& sizes, std::int64_t extra) const;
    // FileError unless a joined output of size bytes can be written.
    void holdOutput(std::int64_t size) const;

    bool fat() const { return fat_; }

private:
    // FileError unless files of these sizes fit in the free space.
    void holdSpace(const std::vector<std::int64_t>& sizes) const;

    std::string folder_;
    long nameMax_ = -1;          // bytes in one name; -1: the volume sets no limit
    std::int64_t free_ = -1;     // bytes we may still write; -1: the volume does not say
    std::int64_t block_ = 1;     // the unit a file's space is taken in
    bool fat_ = false;
};

}  // namespace qz
