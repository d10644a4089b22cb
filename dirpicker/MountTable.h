#pragma once
// The drives of this machine as the picker offers them: the mounted file
// systems a user would save into, each named by its mount path, and a
// removable volume also by its label.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace qzdirpicker {

class MountTable {
public:
    struct Drive {
        QString path;   // where it is mounted
        QString label;  // a removable volume's label, else empty
        bool operator==(const Drive&) const = default;
    };
    // The label of the removable volume on a block device given as
    // "major:minor"; empty for any other device.
    using LabelOf = std::function<QString(const QByteArray& device)>;

    // Where a list of drives comes from: drives() on this machine.
    using Source = std::function<QList<Drive>()>;

    // The drives of the current mount table, "/" first, then in path order,
    // with the labels udev publishes. Falls back to "/" alone when the table
    // cannot be read.
    static QList<Drive> drives();

    // The drives kept from the text of a mountinfo file, labelled by labelOf
    // (none without it): the kernel's pseudo file systems, the system's own
    // mount areas and the mounts of containers and packaging systems are
    // left out.
    static QList<Drive> parse(const QByteArray& mountinfo, const LabelOf& labelOf = {});

    // The entry of drives that holds path: its longest prefix ending at a
    // path component; "/" when none does.
    static QString holding(const QStringList& drives, const QString& path);
};

}  // namespace qzdirpicker
