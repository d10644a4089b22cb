#pragma once
// How a run writes, where a test needs the way a less able file system
// would make it go.

namespace qz {

struct RunOptions {
    // Every chunk through the buffer, as where the kernel cannot copy.
    bool throughBuffer = false;
    // Every file under a hidden temporary name, as where files cannot be
    // made without a name.
    bool namedTemporaries = false;
};

}  // namespace qz
