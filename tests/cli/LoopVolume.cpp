#include "tests/cli/LoopVolume.h"

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

}  // namespace

LoopVolume::LoopVolume(Kind kind)
    : kind_(kind), image_(scratch_ / "image"), mountPoint_(scratch_ / "mnt") {
    const bool ext4 = kind == Kind::Ext4;
    if (::geteuid() != 0) {
        why_ = "mounting a loop image needs root";
        return;
    }
    for (const char* tool : ext4 ? std::array<const char*, 2>{"mkfs.ext4", "xfs_io"}
                                 : std::array<const char*, 2>{"mkfs.exfat", "mount.exfat-fuse"})
        if (!have(tool)) {
            why_ = std::string(tool) + " is missing";
            return;
        }
    if (!run("truncate -s 64M " + image_) || !run("mkdir " + mountPoint_) ||
        !run((ext4 ? "mkfs.ext4 -q -F " : "mkfs.exfat ") + image_)) {
        why_ = "cannot make the image";
        return;
    }
    device_ = output("losetup --find --show " + image_);
    if (device_.empty()) {
        why_ = "no loop device can be attached here";
        return;
    }
    if (!mount()) why_ = ext4 ? "cannot mount ext4 here" : "cannot mount exFAT through FUSE here";
}

LoopVolume::~LoopVolume() {
    if (mounted()) unmount();
    if (!device_.empty()) run("losetup -d " + device_);
}

bool LoopVolume::mount() {
    return run(kind_ == Kind::Ext4 ? "mount -t ext4 " + device_ + " " + mountPoint_
                                   : "mount.exfat-fuse " + device_ + " " + mountPoint_);
}

bool LoopVolume::unmount() { return run("umount " + mountPoint_); }

bool LoopVolume::cutPowerAndRemount() {
    return kind_ == Kind::Ext4 && run("xfs_io -x -c 'shutdown -f' " + mountPoint_) &&
           unmount() && mount();
}
