#include "engine/io/BlockDeviceType.h"

#include <blkid.h>
#include <libudev.h>

#include <cstdlib>
#include <memory>

namespace qz {

namespace {

// ID_FS_TYPE of the block device numbered device in udev's records; empty
// when udev has none (it does not run, or has not probed the device).
std::string recordedByUdev(dev_t device) {
    const std::unique_ptr<udev, decltype(&udev_unref)> context(udev_new(), udev_unref);
    if (!context) return {};
    const std::unique_ptr<udev_device, decltype(&udev_device_unref)> block(
        udev_device_new_from_devnum(context.get(), 'b', device), udev_device_unref);
    if (!block) return {};
    const char* type = udev_device_get_property_value(block.get(), "ID_FS_TYPE");
    return type ? type : "";
}

// The type libblkid finds on the block device numbered device; empty when
// the device cannot be opened (an ordinary user's lot) or holds no single
// known file system.
std::string probedByBlkid(dev_t device) {
    const std::unique_ptr<char, decltype(&std::free)> node(blkid_devno_to_devname(device),
                                                           std::free);
    if (!node) return {};
    const std::unique_ptr<blkid_struct_probe, decltype(&blkid_free_probe)> probe(
        blkid_new_probe_from_filename(node.get()), blkid_free_probe);
    if (!probe) return {};
    const char* type = nullptr;
    if (blkid_do_safeprobe(probe.get()) != 0 ||
        blkid_probe_lookup_value(probe.get(), "TYPE", &type, nullptr) != 0)
        return {};
    return type;
}

}  // namespace

std::string BlockDeviceType::of(dev_t device) {
    const std::string recorded = recordedByUdev(device);
    return recorded.empty() ? probedByBlkid(device) : recorded;
}

}  // namespace qz
