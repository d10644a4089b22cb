#pragma once
// This process's mount table, as libmount reads /proc/self/mountinfo: where
// each file system is mounted, its type and the number of its volume. The
// kernel writes a blank, tab, newline or backslash in a mount path as an
// octal escape; the paths here have them decoded.

#include <sys/types.h>

#include <string>
#include <vector>

namespace qz {

class MountInfo {
public:
    struct Mount {
        dev_t device;       // the volume's number, as stat() gives it for its files
        std::string point;  // where it is mounted
        std::string type;   // with a FUSE driver's subtype: "fuse.sshfs"
    };

    // The mounts of this process in the table's order; empty when the table
    // cannot be read.
    static std::vector<Mount> read();
    // The mounts in text, written as /proc/self/mountinfo is; a line that is
    // none is skipped.
    static std::vector<Mount> parse(const std::string& text);
};

}  // namespace qz
