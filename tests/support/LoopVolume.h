#pragma once
// A small file system of its own for one test: an image file, formatted,
// attached to a loop device and mounted; gone again afterwards. Needs root,
// loop devices and the file system's tools; where any is missing, why() says
// which, so that the test can skip saying so.

#include <string>

#include "tests/support/TempDir.h"

class LoopVolume {
public:
    enum class Kind {
        Ext4,   // journalled, case-sensitive: for power cuts
        ExFat,  // through FUSE, case-insensitive, as on a USB stick
        Fat,    // FAT32 through FUSE (fusefat): files end at 4 GiB - 1
    };

    explicit LoopVolume(Kind kind);
    ~LoopVolume();
    LoopVolume(const LoopVolume&) = delete;
    LoopVolume& operator=(const LoopVolume&) = delete;

    bool mounted() const { return why_.empty(); }
    const std::string& why() const { return why_; }
    // The mount point, with a trailing "/".
    std::string path() const { return mountPoint_ + "/"; }

    // Cuts the power, as it were: the file system stops at once and writes
    // nothing more, except the journal it had committed. Then mounts it
    // again, to see what survived. False when that cannot be done.
    bool cutPowerAndRemount();

private:
    bool mount();
    bool unmount();

    Kind kind_;
    qz::TempDir scratch_;
    std::string image_, mountPoint_, device_;
    std::string why_;
};
