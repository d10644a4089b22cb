#pragma once
// One run of the tool: a split's or a merge's request made from the command
// line and run, what it reports shown on the terminal, its ending told as
// the exit status. The split, the merge and the check of a set are the
// engine's.

#include <cstdint>
#include <iosfwd>
#include <string>

#include "cli/CliTerminal.h"
#include "cli/CommandLine.h"
#include "engine/run/RunEnding.h"

namespace qz {
class FileError;
}

namespace qzcli {

class CliSession {
public:
    // out takes what the run reports: the count chosen, the check's finding.
    CliSession(CliTerminal& terminal, std::ostream& out) : terminal_(terminal), out_(out) {}

    // Runs a split, merge, check or verify command line; the exit status:
    // 0 completed (a whole set), 1 failed (or the source not found, a set
    // not whole, a slice damaged), 2 no count fits --max-size, 3 declined or
    // refused, 4 the merge's output is whole but a later step failed, 128 +
    // the signal's number when a signal stopped it.
    int run(const CommandLine& cmd);

    // path made absolute against the working directory, without "." or empty
    // components; ".." and symbolic links are left for the system to resolve.
    static std::string absolutePath(const std::string& path);
    // dir made absolute, with exactly one "/" at its end.
    static std::string directoryText(const std::string& dir);

private:
    // Splits or merges the file at the full path P.
    int operate(const CommandLine& cmd, const std::string& P);
    // Splits standard input into slices named --name.
    int splitStream(const CommandLine& cmd);
    // The merge's check of the set, and nothing else.
    int check(const CommandLine& cmd);
    // Every slice read and held to its line in the set's sums file: one
    // line for each bad slice; 0 when all are good.
    int verify(const CommandLine& cmd);
    // Mends the set from its recovery files and names what it rebuilt.
    int repair(const CommandLine& cmd);
    // After verify found slices lost or damaged: says whether the set's
    // recovery files can rebuild them, where it has any.
    void tellRepair(const std::string& first);
    // Says that the set is not whole, and why; the exit status for that.
    int notWhole(const qz::FileError& e);
    // Whether the set of firstSlice has a recovery index beside it, which
    // can rebuild a lost first slice.
    static bool mendable(const std::string& firstSlice);
    // The path of the sums file of the set whose first slice is firstSlice.
    static std::string sumsOf(const std::string& firstSlice);
    // Says, unless quiet, that the set of firstSlice, without sums, cannot
    // be proved whole.
    void noSums(const CommandLine& cmd, const std::string& firstSlice);
    // The count for --max-size, said unless quiet; 0 (said why) when none
    // fits or the slices would be refused as too small.
    std::int64_t countFor(const CommandLine& cmd, const std::string& source);
    // Says how the run ended; the exit status for that.
    int finish(const qz::RunEnding& ending);

    CliTerminal& terminal_;
    std::ostream& out_;
};

}  // namespace qzcli
