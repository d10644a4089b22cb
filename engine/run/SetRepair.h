#pragma once
// Mends a set from its PAR2 recovery files: every slice is read and held to
// its MD5, and each one lost or damaged is rebuilt from the others and the
// recovery blocks under a temporary name, flushed, held to its line in the
// sums file where the set has one, and only then named, replacing a damaged
// one in one step. Nothing is named unless every slice to rebuild came out
// right; what is named stays, whatever the caller does next.

#include <functional>
#include <string>
#include <vector>

#include "engine/run/RunOptions.h"

namespace qz {

class FileHandle;
class RecoverySet;
class RunReport;
class Worker;

class SetRepair {
public:
    // dir: the set's folder, ending in "/"; stem: its NAME.
    SetRepair(std::string dir, std::string stem);

    // What the recovery files find of the set: the slices lost or damaged,
    // by file name, and how many of those they can rebuild.
    struct Assessment {
        std::vector<std::string> unusable;
        std::size_t rebuildable = 0;
    };

    // Whether the folder holds any recovery file of the set.
    bool available() const;
    // Reads every slice and holds it to the recovery files; FileError when
    // those cannot be read.
    Assessment assess() const;
    // Rebuilds what is lost or damaged, its files flushed on worker, and
    // says which slices it rebuilt, by file name (none when all are
    // intact); they are told to report too. FileError when the recovery
    // files cannot be read, or hold too few blocks for what is missing (the
    // reason says how many of each).
    std::vector<std::string> mend(RunReport& report, Worker& worker,
                                  const RunOptions& options) const;

private:
    // The set as its recovery files describe it, every slice read (between
    // runs after each piece); FileError when they cannot be read.
    RecoverySet examined(const std::function<void()>& between) const;
    // FileError unless each rebuilt slice, flushed, matches its line in the
    // set's sums file, where it has one.
    void holdToSums(const std::vector<std::string>& names, const std::vector<std::string>& paths,
                    const std::vector<FileHandle*>& files) const;

    std::string dir_, stem_;
};

}  // namespace qz
