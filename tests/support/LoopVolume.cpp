#include "tests/support/LoopVolume.h"

#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

// Runs a shell command quietly; true when it succeeded.
bool run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// The first line a shell command prints, empty when it fails.
std::string output(const std::string& command) {
    std::unique_ptr<FILE, int (*)(FILE*)> p(::popen((command + " 2>/dev/null").c_str(), "r"),
                                            ::pclose);
    std::array<char, 256> line{};
    if (!p || !std::fgets(line.data(), line.size(), p.get())) return {};
    std::string s = line.data();
    while (!s.empty() && s.back() == '\n') s.pop_back();
    return s;
}

bool have(const char* tool) { return run(std::string("command -v ") + tool); }

// What makes and mounts each kind: its tools, the command that formats an
// image (the image's path follows), and the one that mounts a device (the
// device and the mount point follow).
struct Tools {
    std::array<const char*, 2> needed;
    const char* format;
    const char* mount;
    const char* name;
};

const Tools& toolsFor(LoopVolume::Kind kind) {
    static const Tools ext4{{"mkfs.ext4", "xfs_io"}, "mkfs.ext4 -q -F ", "mount -t ext4 ", "ext4"};
    static const Tools exfat{{"mkfs.exfat", "mount.exfat-fuse"}, "mkfs.exfat ",
                             "mount.exfat-fuse ", "exFAT through FUSE"};
    static const Tools fat{{"mkfs.vfat", "fusefat"}, "mkfs.vfat -F 32 ", "fusefat -o rw+ ",
                           "FAT32 through FUSE"};
    return kind == LoopVolume::Kind::Ext4 ? ext4 : kind == LoopVolume::Kind::ExFat ? exfat : fat;
}

}  // namespace

LoopVolume::LoopVolume(Kind kind)
    : kind_(kind), image_(scratch_ / "image"), mountPoint_(scratch_ / "mnt") {
    const Tools& tools = toolsFor(kind);
    if (::geteuid() != 0) {
        why_ = "mounting a loop image needs root";
        return;
    }
    for (const char* tool : tools.needed)
        if (!have(tool)) {
            why_ = std::string(tool) + " is missing";
            return;
        }
    if (!run("truncate -s 64M " + image_) || !run("mkdir " + mountPoint_) ||
        !run(tools.format + image_)) {
        why_ = "cannot make the image";
        return;
    }
    device_ = output("losetup --find --show " + image_);
    if (device_.empty()) {
        why_ = "no loop device can be attached here";
        return;
    }
    if (!mount()) why_ = std::string("cannot mount ") + tools.name + " here";
}

LoopVolume::~LoopVolume() {
    if (mounted()) unmount();
    if (!device_.empty()) run("losetup -d " + device_);
}

bool LoopVolume::mount() { return run(toolsFor(kind_).mount + device_ + " " + mountPoint_); }

bool LoopVolume::unmount() { return run("umount " + mountPoint_); }

bool LoopVolume::cutPowerAndRemount() {
    return kind_ == Kind::Ext4 && run("xfs_io -x -c 'shutdown -f' " + mountPoint_) &&
           unmount() && mount();
}
