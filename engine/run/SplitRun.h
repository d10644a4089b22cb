#pragma once
// One split: the source cut into count slices in a folder, each slice whole
// and flushed under a temporary name before the set takes its names, slice 1
// last, so that the set is there only when all of it is. Beside them goes
// NAME.QZ.sha256 with each slice's SHA-256 (see SumsFile) and, when asked
// for, PAR2 recovery files made in the same pass.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/recovery/RecoveryEncoder.h"
#include "engine/run/ChunkCopy.h"
#include "engine/run/RunEnding.h"
#include "engine/run/RunOptions.h"
#include "engine/run/RunOutputs.h"
#include "engine/run/Worker.h"
#include "engine/set/SliceSet.h"

namespace qz {

class RunReport;

class SplitRun {
public:
    struct Request {
        std::string source;  // path of the file to split
        std::string folder;  // where the slices go, ending in "/"
        std::string name;    // the slices' name before ".QZk"
        std::int64_t count = 0;
        // Not 0: the count is the smallest that keeps every slice within
        // these bytes, found once the source's length is known.
        std::int64_t maxSize = 0;
        // Not -1: the source is read from this descriptor (standard input)
        // to its end, and source only names it in messages.
        int stream = -1;
        // Recovery blocks to write beside the slices, in PAR2 files (see
        // RecoveryEncoder): any this many lost slices can be rebuilt. 0: none.
        std::uint32_t recovery = 0;
    };

    SplitRun(const Request& request, RunReport& report, const RunOptions& options);

    // Splits; FileError or Interrupted when it fails, every file it wrote
    // removed again.
    RunEnding::Kind run();
    const ChunkCopy& copy() const { return copy_; }

private:
    // Opens the source, or takes the stream whole (see InputSpool), and lets
    // the window repaint; FileError for a count of 0, for no count within
    // the largest slice, or an empty source.
    void openSource();
    // FileError, before anything is written, for a split the target volume
    // cannot hold: a name of the set or of its temporaries longer than its
    // names, a slice larger than a FAT volume's files, or the slices and
    // their sums file more than its free space.
    void checkTarget() const;
    // Asks before replacing what stands at the slice names of the source;
    // Yes marks exactly those to be removed just before the new slices take
    // their names. False for any other answer; FileError when one of them
    // is the source itself.
    bool replaceExisting();
    // Removes what replaceExisting marked, the old slice 1 first.
    void removeReplaced();
    // The order of removal: 0 slice 1, 1 the sums file, 2 any other.
    int rankOf(const SliceSet::Slice& slice) const;
    // Copies the source into its slices, each hashed and waiting whole for
    // its name, writes their sums file the same way, then names them.
    void writeSlices();
    // The set's name for its recovery files: NAME.QZ.
    std::string setName() const { return request_.name + ".QZ"; }
    // Starts the recovery files of slices of these sizes, when asked for:
    // each slice's first bytes are read ahead, as the set's ids need them.
    void startRecovery(const std::vector<std::int64_t>& sizes);
    // The bytes of the recovery files of slices of these sizes, and the
    // FileError of a slice name they cannot carry.
    std::int64_t recoveryBytes(const std::vector<std::int64_t>& sizes) const;
    // A file of the set, to become path, with the source's permissions and,
    // run as root, its owner.
    OutputFile& startFile(const std::string& path);
    // Flushes the whole slices and their sums file and names them, slice 1
    // last, so a set that shows its slice 1 has its sums.
    // The recovery files go before slice 1 too.
    void nameSlices(const std::vector<OutputFile*>& slices, OutputFile& sums);

    Request request_;
    RunReport& report_;
    RunOptions options_;
    Worker worker_;
    RunOutputs outputs_{worker_};
    ChunkCopy copy_;
    std::vector<SliceSet::Slice> replaced_;
    std::vector<OutputFile*> recoveryFiles_;
    std::unique_ptr<RecoveryEncoder> recovery_;
    std::int64_t sourceChanged_ = 0;  // the source's change time when opened
};

}  // namespace qz
