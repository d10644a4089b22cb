#pragma once
// The file-system type written on a block device, for a volume whose mount
// does not name it: one a FUSE driver serves, such as exfat-fuse's plain
// "fuseblk". udev records the type when the device appears, where any user
// may read it; where no udev runs (a container), libblkid reads it off the
// device, which only a user who may read the device can.

#include <sys/types.h>

#include <string>

namespace qz {

class BlockDeviceType {
public:
    // The type on the block device numbered device, as udev and libblkid
    // name it ("vfat" for FAT12, 16 and 32, "exfat", "ntfs"); empty when
    // neither can tell.
    static std::string of(dev_t device);
};

}  // namespace qz
