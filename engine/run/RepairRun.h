#pragma once
// One repair: the set whose first slice is given (which may itself be lost)
// mended from its recovery files, under the lock of its runs, and then
// checked whole.

#include <string>
#include <vector>

#include "engine/run/RunEnding.h"
#include "engine/run/RunOptions.h"
#include "engine/run/Worker.h"

namespace qz {

class RunReport;

class RepairRun {
public:
    RepairRun(std::string firstSlice, RunReport& report, const RunOptions& options);

    // Mends the set (see SetRepair) and checks it whole; FileError when it
    // has no recovery files, they cannot mend it, or it is still not whole.
    RunEnding::Kind run();
    // The slices rebuilt, by file name.
    const std::vector<std::string>& rebuilt() const { return rebuilt_; }

private:
    std::string firstSlice_;
    RunReport& report_;
    RunOptions options_;
    Worker worker_;
    std::vector<std::string> rebuilt_;
};

}  // namespace qz
