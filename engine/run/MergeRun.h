#pragma once
// One merge: the set whose first slice is given, checked whole before
// anything is asked, written or deleted, joined in index order into one
// file that replaces an older one only once it is whole and flushed; with
// deleteAfter, exactly the slices joined are deleted then, and the set's
// recovery files. A set that is not whole, or a slice found damaged on the
// way, is first mended from its recovery files where it has them (see
// SetRepair), and the join starts over.

#include <string>
#include <vector>

#include "engine/run/ChunkCopy.h"
#include "engine/run/RunEnding.h"
#include "engine/run/RunOptions.h"
#include "engine/run/RunOutputs.h"
#include "engine/run/Worker.h"
#include "engine/set/SliceSet.h"

namespace qz {

class RunReport;
class SetRepair;

class MergeRun {
public:
    struct Request {
        std::string firstSlice;  // path of NAME.QZ1
        std::string folder;      // where the output goes, ending in "/"
        bool deleteAfter = false;
        // Not -1: the joined bytes go to this descriptor (standard output)
        // instead of to a file, each slice only once it is checked whole
        // against its sums; folder and deleteAfter are then not used.
        int stream = -1;
    };

    MergeRun(const Request& request, RunReport& report, const RunOptions& options);

    // Merges; FileError or Interrupted when it fails, with the output's
    // temporary removed and every slice and an older output kept; Unfinished
    // when a step fails once the whole output has its name.
    RunEnding::Kind run();
    const ChunkCopy& copy() const { return copy_; }

private:
    // What stands at the output's name, and what the user said of it.
    enum class Existing { None, Replaced, Kept };

    // The output's path, stem in the save folder; FileError when it would be
    // one of the slices.
    std::string outputOf(const SliceSet& set, const std::string& stem) const;
    // The set checked whole, mended first where it is not and can be.
    SliceSet checkedSet(const SetRepair& repair);
    // Asks about anything at the output's name; FileError for a directory.
    Existing confirmOutput(const std::string& output);
    // Writes the joined set and gives it the output's name, flushed.
    void writeOutput(const SliceSet& set, const std::string& output, bool replace);
    // Appends every slice of the checked set to out, each still the very
    // file the check saw and, when the set has sums, hashed on the way and
    // held to its line: a FileError naming the slice whose bytes differ.
    void joinSlices(const SliceSet& set, OutputFile& out);
    // Sends the checked set to the stream, each slice once its bytes are
    // held to its line in the sums file: FileError for a set without sums
    // and for the first slice that differs, when those before it are sent.
    void sendSlices(SliceSet& set, const SetRepair& repair);
    // Deletes exactly the slices that were joined into output, and their
    // sums file.
    void deleteSlices(const SliceSet& set, const std::string& output) const;
    // The set's recovery files, held from the check on, for deleteSlices.
    void holdRecoveryFiles(const std::string& dir, const std::string& stem);

    Request request_;
    RunReport& report_;
    RunOptions options_;
    Worker worker_;
    RunOutputs outputs_{worker_};
    ChunkCopy copy_;
    std::vector<SliceSet::Slice> recoveryFiles_;
};

}  // namespace qz
