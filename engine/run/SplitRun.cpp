#include "engine/run/SplitRun.h"

#include <algorithm>
#include <cerrno>

#include "engine/io/FileError.h"
#include "engine/io/FileServices.h"
#include "engine/io/Interruption.h"
#include "engine/io/Sys.h"
#include "engine/run/OutputFile.h"
#include "engine/run/RunReport.h"
#include "engine/run/HashPipe.h"
#include "engine/run/InputSpool.h"
#include "engine/set/SliceNames.h"
#include "engine/set/SliceSet.h"
#include "engine/set/SliceSizes.h"
#include "engine/set/SumsFile.h"
#include "engine/set/TempName.h"
#include "engine/io/TargetVolume.h"
#include "engine/run/Unfinished.h"
#include "engine/io/Text.h"

namespace qz {

SplitRun::SplitRun(const Request& request, RunReport& report, const RunOptions& options)
    : request_(request), report_(report), options_(options), copy_(report, options.throughBuffer) {}

RunEnding::Kind SplitRun::run() {
    FileServices::requireDirectory(request_.folder);
    outputs_.lock(request_.folder, request_.name);
    openSource();
    if (SliceSizes::tooSmall(copy_.length(), request_.count)) {
        copy_.close();
        return RunEnding::Kind::TooSmall;
    }
    checkTarget();
    if (!replaceExisting()) {
        copy_.close();
        return RunEnding::Kind::Declined;
    }
    OutputFile::removeStale(request_.folder, request_.name);
    report_.copying();
    writeSlices();
    // Past the point of no return a signal stops nothing that is done; it
    // still ends the run by it, saying what stays.
    if (const int signal = Interruption::caught())
        throw Unfinished(tr("the slices are whole: %1",
                            {SliceNames::slicePath(request_.folder, request_.name, 1)}) +
                         "\n" + Interrupted(signal).what());
    copy_.close();
    report_.written();
    report_.inputDone();
    return RunEnding::Kind::Completed;
}

void SplitRun::openSource() {
    if (request_.stream >= 0) {
        copy_.open(InputSpool::fill(FileHandle::duplicateOf(request_.stream, request_.source),
                                    request_.folder, request_.name, report_));
    } else {
        copy_.open(request_.source);
    }
    sourceChanged_ = copy_.input().changeTime();
    report_.pump();
    if (request_.maxSize != 0 && copy_.length() != 0) {
        request_.count = SliceSizes::smallestCount(copy_.length(), request_.maxSize,
                                                   SliceSizes::kMostSlices);
        if (request_.count == 0)
            throw FileError(tr("no count from 1 to 999 keeps every slice within %1 bytes",
                               {std::to_string(request_.maxSize)}),
                            request_.source);
    }
    if (request_.count == 0)
        throw FileError(tr("a piece count of 0 for"), request_.source);
    if (copy_.length() == 0) throw FileError(tr("the file is empty"), request_.source);
    report_.startInput(0, 1, copy_.length());
}

void SplitRun::checkTarget() const {
    const auto sizes = SliceSizes::sizesFor(copy_.length(), request_.count);
    // The sums file's length does not depend on the digests in it.
    std::vector<SumsFile::Line> lines;
    for (std::size_t k = 0; k < sizes.size(); ++k)
        lines.push_back({SliceNames::slicePath("", request_.name, static_cast<long>(k + 1)),
                         std::string(64, '0')});
    const std::string sums = SumsFile(request_.name, copy_.length(), std::move(lines)).text();
    const TargetVolume volume(request_.folder);
    // A set whose names the volume cannot hold would be written only to fail
    // at its last name, or be found cut short later.
    volume.holdNames({SliceNames::slicePath("", request_.name, static_cast<long>(request_.count)),
                      SumsFile::pathFor("", request_.name),
                      TempName::fresh(request_.name)});
    volume.holdSlices(sizes, static_cast<std::int64_t>(sums.size()));
}

bool SplitRun::replaceExisting() {
    const auto existing =
        SliceSet::taken(request_.folder, request_.name, static_cast<long>(request_.count));
    if (existing.empty()) return true;
    // The source may be one of its own slice names (f -> f.QZ2): replacing
    // that name would delete the only copy of what is being split.
    const FileId source = copy_.input().identity();
    for (const SliceSet::Slice& old : existing)
        if (const auto data = FileServices::target(old.path); data && data->id == source)
            throw FileError(tr("the source is one of its own slice names"), old.path);
    if (!report_.confirm(RunReport::Question::ReplaceSlices)) return false;
    replaced_ = existing;
    return true;
}

void SplitRun::removeReplaced() {
    // The old slice 1 first, then its sums: what is left of the old set at
    // any moment is no set, and no sums file speaks of slices already gone.
    std::stable_sort(replaced_.begin(), replaced_.end(), [this](const auto& a, const auto& b) {
        return rankOf(a) < rankOf(b);
    });
    for (const SliceSet::Slice& old : replaced_) FileServices::killIfStill(old.path, old.entry);
    if (!replaced_.empty()) FileServices::syncDirectory(request_.folder);
}

int SplitRun::rankOf(const SliceSet::Slice& slice) const {
    if (slice.path == SliceNames::slicePath(request_.folder, request_.name, 1)) return 0;
    return slice.path == SumsFile::pathFor(request_.folder, request_.name) ? 1 : 2;
}

void SplitRun::writeSlices() {
    const auto sizes = SliceSizes::sizesFor(copy_.length(), request_.count);
    // Every slice stays open until the set takes its names.
    if (Sys::allowOpenFiles(sizes.size() + 64) != 0)
        throw FileError(tr("cannot keep the slices open"), request_.source, errno);
    std::vector<OutputFile*> slices;
    std::int64_t end = 0;
    HashPipe sha(worker_);
    copy_.hashInto(&sha);
    std::vector<SumsFile::Line> sums;
    for (std::size_t k = 0; k < sizes.size(); ++k) {
        slices.push_back(&startFile(
            SliceNames::slicePath(request_.folder, request_.name, static_cast<long>(k + 1))));
        end += sizes[k];
        copy_.copyTo(end, *slices.back());
        sums.push_back({SliceNames::bareName(slices.back()->finalPath()), sha.hex()});
    }
    copy_.hashInto(nullptr);
    // Written to while it was read: the slices may hold old and new bytes
    // alike, and their sums would prove such a set whole.
    if (copy_.input().length() != copy_.length() || copy_.input().changeTime() != sourceChanged_)
        throw FileError(tr("the source changed while it was read"), request_.source);
    OutputFile& sumsFile = startFile(SumsFile::pathFor(request_.folder, request_.name));
    SumsFile(request_.name, copy_.length(), std::move(sums)).writeTo(sumsFile.file());
    nameSlices(slices, sumsFile);
}

OutputFile& SplitRun::startFile(const std::string& path) {
    // The source's permissions, as a copy would have them.
    return outputs_.add(path, request_.name, copy_.input().mode(), !options_.namedTemporaries,
                        copy_.input().owner());
}

void SplitRun::nameSlices(const std::vector<OutputFile*>& slices, OutputFile& sums) {
    Interruption::check();
    // Flushed together at the end, each slice mostly written back already:
    // the disk works while the copy goes on.
    outputs_.flush();
    // A signal during the flush still finds nothing named: undone.
    Interruption::check();
    // The old set goes only now that the new one is whole and flushed.
    removeReplaced();
    for (std::size_t k = 1; k < slices.size(); ++k) outputs_.name(*slices[k], false);
    outputs_.name(sums, false);
    FileServices::syncDirectory(request_.folder);
    outputs_.name(*slices.front(), false);
    FileServices::syncDirectory(request_.folder);
    outputs_.commit();
}

}  // namespace qz
