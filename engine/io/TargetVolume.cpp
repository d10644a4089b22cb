#include "engine/io/TargetVolume.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>

#include "engine/io/BlockDeviceType.h"
#include "engine/io/FileError.h"
#include "engine/io/MountInfo.h"
#include "engine/io/Sys.h"
#include "engine/io/Text.h"

namespace qz {

namespace {

constexpr unsigned long kMsdosMagic = 0x4d44;     // vfat and msdos
constexpr unsigned long kFuseMagic = 0x65735546;  // any FUSE volume, fusefat among them

// Whether a file-system type names FAT12, 16 or 32 ("vfat", "msdos",
// "fuse.fusefat"), whose files end at 4 GiB - 1; exFAT's do not.
bool namesFat(const std::string& type) {
    return type.find("fat") != std::string::npos && type.find("exfat") == std::string::npos;
}

// Whether the FUSE volume numbered dev is FAT. A driver that gives a subtype
// says so in the mount table ("fuse.fusefat"); one that gives none mounts a
// plain "fuseblk", known by the type on the block device it mounts, whose
// number the volume has. Anything else is taken for a file system without
// the limit: the write then fails as it would have.
bool fuseIsFat(dev_t dev) {
    const std::vector<MountInfo::Mount> mounts = MountInfo::read();
    const auto mount = std::find_if(mounts.begin(), mounts.end(),
                                    [dev](const MountInfo::Mount& m) { return m.device == dev; });
    if (mount == mounts.end()) return false;
    if (namesFat(mount->type)) return true;
    return mount->type == "fuseblk" && namesFat(BlockDeviceType::of(dev));
}

FileError unseen(const std::string& folder) {
    return FileError(tr("cannot look at"), folder, errno);
}

}  // namespace

TargetVolume::TargetVolume(const std::string& folder) : folder_(folder.empty() ? "./" : folder) {
    const char* at = folder_.c_str();
    struct statvfs space {};
    if (Sys::statvfs(at, &space) != 0) throw unseen(folder_);
    // A volume that tells no size (some FUSE ones) is not held to one.
    if (space.f_blocks > 0) {
        block_ = static_cast<std::int64_t>(space.f_frsize ? space.f_frsize : space.f_bsize);
        // Root may also write the blocks a volume keeps back for it.
        const auto blocks = Sys::geteuid() == 0 ? space.f_bfree : space.f_bavail;
        free_ = static_cast<std::int64_t>(blocks) * block_;
    }
    struct statfs kind {};
    if (Sys::statfs(at, &kind) != 0) throw unseen(folder_);
    const auto type = static_cast<unsigned long>(kind.f_type);
    if (type == kFuseMagic) {
        struct stat st {};
        if (Sys::stat(at, &st) != 0) throw unseen(folder_);
        fat_ = fuseIsFat(st.st_dev);
    } else {
        fat_ = type == kMsdosMagic;
    }
    nameMax_ = Sys::pathconf(at, _PC_NAME_MAX);
    if (nameMax_ < 0 && errno != 0) throw unseen(folder_);
}

void TargetVolume::holdNames(const std::vector<std::string>& names) const {
    for (const std::string& name : names)
        if (nameMax_ >= 0 && name.size() > static_cast<std::size_t>(nameMax_))
            throw FileError(tr("a name of %1 bytes, longer than the %2 this volume holds",
                               {std::to_string(name.size()), std::to_string(nameMax_)}),
                            folder_ + name);
}

void TargetVolume::holdSlices(const std::vector<std::int64_t>& sizes, std::int64_t extra) const {
    for (std::size_t k = 0; k < sizes.size(); ++k)
        if (fat_ && sizes[k] > kFatLargest)
            throw FileError(tr("slice %1 would have %2 bytes, more than the 4 GiB - 1 a file on a FAT "
                               "volume holds; split into more slices, or with --max-size "
                               "fat32, to",
                               {std::to_string(k + 1), std::to_string(sizes[k])}),
                            folder_);
    std::vector<std::int64_t> all = sizes;
    all.push_back(extra);
    holdSpace(all);
}

void TargetVolume::holdOutput(std::int64_t size) const {
    if (fat_ && size > kFatLargest)
        throw FileError(tr("the output would have %1 bytes, more than the 4 GiB - 1 a file on a FAT "
                           "volume holds; join it onto another volume, not",
                           {std::to_string(size)}),
                        folder_);
    holdSpace({size});
}

void TargetVolume::holdSpace(const std::vector<std::int64_t>& sizes) const {
    if (free_ < 0) return;
    // Sizes near the largest a file may have add up past what 64 bits hold:
    // more than any volume has, then.
    std::int64_t need = 0;
    for (const std::int64_t size : sizes) {
        const std::int64_t blocks = size / block_ + (size % block_ != 0);
        std::int64_t bytes = 0;
        if (__builtin_mul_overflow(blocks, block_, &bytes) ||
            __builtin_add_overflow(need, bytes, &need)) {
            need = std::numeric_limits<std::int64_t>::max();
            break;
        }
    }
    if (need > free_)
        throw FileError(tr("not enough free space: %1 bytes needed, %2 free on",
                           {std::to_string(need), std::to_string(free_)}),
                        folder_);
}

}  // namespace qz
