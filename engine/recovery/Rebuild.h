#pragma once
// Rebuilds lost or damaged slices of a set from its other slices and its
// recovery blocks. The factors are worked out first, then the sources are
// read a chunk at a time, side by side, and each lost slice is written out
// in order, cut to its true length. A chunk is as large as memory allows
// for one buffer per lost slice and one for reading, so memory stays below
// 64 MiB however many slices are lost.

#include <cstddef>
#include <functional>
#include <vector>

#include "engine/recovery/RecoveryMatrix.h"
#include "engine/recovery/RecoverySet.h"

namespace qz {

class FileHandle;

class Rebuild {
public:
    // Plans the rebuilding of the slices at indexes lost (into
    // set.slices()) from the set's other slices, which must be intact, and
    // its intact recovery blocks; set must outlast the rebuild. FileError,
    // with a reason to show, when these cannot make them.
    Rebuild(const RecoverySet& set, std::vector<std::size_t> lost);

    // Writes each lost slice whole, appended to the output at the same
    // place in outputs as in lost. FileError when a source cannot be read,
    // an output written, or a slice comes out other than its MD5 says (a
    // slice taken for intact was not).
    // between runs after each chunk, for the window to repaint.
    void write(const std::vector<FileHandle*>& outputs,
               const std::function<void()>& between = {}) const;

private:
    // The chunk's size for this many lost slices.
    std::size_t chunkSize() const;

    const RecoverySet& set_;
    std::vector<std::size_t> lost_;
    std::vector<std::size_t> present_;
    RecoveryMatrix matrix_;
};

}  // namespace qz
