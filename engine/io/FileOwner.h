#pragma once
// Who owns a file: its user and group.

#include <sys/types.h>

namespace qz {

struct FileOwner {
    uid_t uid = 0;
    gid_t gid = 0;
};

}  // namespace qz
