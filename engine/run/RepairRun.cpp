#include "engine/run/RepairRun.h"

#include "engine/io/FileError.h"
#include "engine/io/FileServices.h"
#include "engine/io/Text.h"
#include "engine/recovery/Par2Names.h"
#include "engine/run/RunLock.h"
#include "engine/run/SetRepair.h"
#include "engine/set/SliceNames.h"
#include "engine/set/SliceSet.h"

namespace qz {

RepairRun::RepairRun(std::string firstSlice, RunReport& report, const RunOptions& options)
    : firstSlice_(std::move(firstSlice)), report_(report), options_(options) {}

RunEnding::Kind RepairRun::run() {
    const std::string stem = SliceNames::stemOf(firstSlice_);
    std::string dir = FileServices::directoryOf(firstSlice_);
    if (dir.empty()) dir = "./";
    const RunLock lock(dir, stem);
    const SetRepair repair(dir, stem);
    if (!repair.available())
        throw FileError(tr("the set has no recovery files"), dir + Par2Names::index(stem + ".QZ"));
    rebuilt_ = repair.mend(report_, worker_, options_);
    SliceSet::check(firstSlice_);
    return RunEnding::Kind::Completed;
}

}  // namespace qz
