#pragma once
// The label of a removable volume, read where udev publishes labels without
// any tool: the links of /dev/disk/by-label, each named by a label and leading
// to its block device; whether the device is removable comes from sysfs.

#include <QByteArray>
#include <QString>

namespace qzdirpicker {

class VolumeLabel {
public:
    // The label of the removable volume on the block device numbered device
    // ("major:minor", as the mount table writes it); empty when the device is
    // not removable, has no label or is no block device.
    static QString of(const QByteArray& device);
    // The same, with the label links read from byLabel and the block devices
    // by number from sysDevBlock instead of /dev/disk/by-label and
    // /sys/dev/block.
    static QString of(const QByteArray& device, const QString& byLabel,
                      const QString& sysDevBlock);

    // A link name of by-label as the label's text: udev writes a blank, "/"
    // and "\" (and any byte it keeps out of names) as \xNN.
    static QString decoded(const QString& linkName);
};

}  // namespace qzdirpicker
