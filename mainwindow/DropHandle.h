#pragma once
// What a drop on the main window hands to DropFiles: the dropped items, read
// by index as paths, and the release that ends the drop.

#include <QList>
#include <QUrl>
#include <string>
#include <utility>
#include <vector>

namespace qzmainwindow {

class DropHandle {
public:
    // The URL of a file on this machine stands for its path, the bytes its
    // percent-encoding carries, whether or not they are UTF-8; any other URL
    // (another machine's file, a web address) for its own text, which names
    // no file.
    explicit DropHandle(const QList<QUrl>& urls);
    // Paths as they are, bytes the file system takes: a file opened with the
    // program lands as its drop would.
    explicit DropHandle(std::vector<std::string> paths) : paths_(std::move(paths)) {}

    int count() const { return int(paths_.size()); }
    const std::string& path(int index) const { return paths_.at(std::size_t(index)); }

    // Ends the drop: its items are gone. DropFiles releases every handle it
    // is given exactly once.
    void release();
    // How many times release() ran.
    int releases() const { return releases_; }

private:
    std::vector<std::string> paths_;
    int releases_ = 0;
};

}  // namespace qzmainwindow
