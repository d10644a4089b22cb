// The mount table as the engine reads it: a volume is found by the number
// stat() gives its files, at its mount path with the kernel's escapes decoded.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>

#include "engine/io/MountInfo.h"

namespace qz {
namespace {

// A table that could not be read, or numbers read wrongly, would not have it.
TEST(MountInfo, FindsProcByTheNumberOfItsFiles) {
    struct stat proc {};
    ASSERT_EQ(::stat("/proc", &proc), 0);
    const std::vector<MountInfo::Mount> mounts = MountInfo::read();
    EXPECT_TRUE(std::any_of(mounts.begin(), mounts.end(), [&](const MountInfo::Mount& m) {
        return m.device == proc.st_dev && m.point == "/proc" && m.type == "proc";
    }));
}

TEST(MountInfo, DecodesABlankInTheMountPath) {
    const auto mounts =
        MountInfo::parse("36 1 7:3 / /media/My\\040Disk rw - fuseblk /dev/loop3 rw\n");
    ASSERT_EQ(mounts.size(), 1u);
    EXPECT_EQ(mounts[0].device, makedev(7, 3));
    EXPECT_EQ(mounts[0].point, "/media/My Disk");
    EXPECT_EQ(mounts[0].type, "fuseblk");
}

}  // namespace
}  // namespace qz
