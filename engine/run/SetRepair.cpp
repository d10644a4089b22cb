#include "engine/run/SetRepair.h"

#include <algorithm>

#include "engine/io/FileError.h"
#include "engine/io/FileServices.h"
#include "engine/io/Text.h"
#include "engine/recovery/Par2Names.h"
#include "engine/recovery/Rebuild.h"
#include "engine/recovery/RecoverySet.h"
#include "engine/run/RunOutputs.h"
#include "engine/run/RunReport.h"
#include "engine/set/Sha256.h"
#include "engine/set/SumsFile.h"

namespace qz {

namespace {

// The slices of set found lost or damaged, in the order of their numbers:
// names of one stem, so the shorter first.
std::vector<std::size_t> unusableOf(const RecoverySet& set) {
    std::vector<std::size_t> unusable = set.unusable();
    std::sort(unusable.begin(), unusable.end(), [&set](std::size_t a, std::size_t b) {
        const std::string &x = set.slices()[a].name, &y = set.slices()[b].name;
        return x.size() != y.size() ? x.size() < y.size() : x < y;
    });
    return unusable;
}

}  // namespace

SetRepair::SetRepair(std::string dir, std::string stem)
    : dir_(std::move(dir)), stem_(std::move(stem)) {}

bool SetRepair::available() const {
    const auto names = FileServices::listIfAllowed(dir_);
    return std::any_of(names.begin(), names.end(), [this](const std::string& name) {
        return Par2Names::mayBelongTo(name, stem_ + ".QZ");
    });
}

RecoverySet SetRepair::examined(const std::function<void()>& between) const {
    RecoverySet set = RecoverySet::read(dir_, stem_ + ".QZ");
    set.examine(between);
    return set;
}

SetRepair::Assessment SetRepair::assess() const {
    const RecoverySet set = examined({});
    Assessment found;
    for (const std::size_t k : unusableOf(set)) found.unusable.push_back(set.slices()[k].name);
    found.rebuildable = set.blocks().size();
    return found;
}

std::vector<std::string> SetRepair::mend(RunReport& report, Worker& worker,
                                         const RunOptions& options) const {
    const auto pump = [&report] { report.pump(); };
    const RecoverySet set = examined(pump);
    const std::vector<std::size_t> unusable = unusableOf(set);
    if (unusable.empty()) return {};
    if (!set.mendable())
        throw FileError(tr("%1 slices are lost or damaged, the recovery files rebuild %2 in",
                           {std::to_string(unusable.size()), std::to_string(set.blocks().size())}),
                        dir_ + Par2Names::index(stem_ + ".QZ"));
    // A rebuilt slice is as its sisters are: their permissions and owner.
    FileServices::Entry like;
    for (std::size_t k = 0; k < set.slices().size(); ++k)
        if (std::find(unusable.begin(), unusable.end(), k) == unusable.end())
            if (const auto e = FileServices::entry(dir_ + set.slices()[k].name)) like = *e;
    RunOutputs outputs(worker);
    std::vector<FileHandle*> files;
    std::vector<OutputFile*> rebuilt;
    std::vector<std::string> names, paths;
    for (const std::size_t k : unusable) {
        names.push_back(set.slices()[k].name);
        paths.push_back(dir_ + names.back());
        rebuilt.push_back(&outputs.add(paths.back(), stem_, like.mode ? like.mode : 0666,
                                       !options.namedTemporaries, like.owner));
        files.push_back(&rebuilt.back()->file());
    }
    Rebuild(set, unusable).write(files, pump);
    outputs.flush();
    holdToSums(names, paths, files);
    for (OutputFile* out : rebuilt) outputs.name(*out, true);
    FileServices::syncDirectory(dir_);
    outputs.commit();
    report.rebuilt(names);
    return names;
}

void SetRepair::holdToSums(const std::vector<std::string>& names,
                           const std::vector<std::string>& paths,
                           const std::vector<FileHandle*>& files) const {
    const auto sums = SumsFile::find(dir_, stem_, FileServices::listDirectory(dir_));
    if (!sums) return;
    const auto& lines = sums->lines();
    for (std::size_t i = 0; i < names.size(); ++i) {
        const auto line = std::find_if(lines.begin(), lines.end(),
                                       [&](const SumsFile::Line& l) { return l.name == names[i]; });
        if (line == lines.end())
            throw FileError(tr("the recovery files name a slice the sums file does not list"),
                            paths[i]);
        sums->holdDigest(static_cast<std::size_t>(line - lines.begin()), paths[i],
                         Sha256::of(*files[i]));
    }
}

}  // namespace qz
