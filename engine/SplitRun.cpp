#include "engine/SplitRun.h"

#include "engine/FileError.h"
#include "engine/FileServices.h"
#include "engine/Interruption.h"
#include "engine/OutputFile.h"
#include "engine/RunReport.h"
#include "engine/Sha256.h"
#include "engine/SliceNames.h"
#include "engine/SliceSet.h"
#include "engine/SliceSizes.h"
#include "engine/SumsFile.h"
#include "engine/Text.h"

namespace qz {

SplitRun::SplitRun(const Request& request, RunReport& report, const RunOptions& options)
    : request_(request), report_(report), options_(options), copy_(report, options.throughBuffer) {}

SplitRun::Result SplitRun::run() {
    openSource();
    if (SliceSizes::tooSmall(copy_.length(), request_.count)) {
        copy_.close();
        return Result::TooSmall;
    }
    if (!replaceExisting()) {
        copy_.close();
        return Result::Declined;
    }
    OutputFile::removeStale(request_.folder, request_.name);
    report_.copying();
    writeSlices();
    copy_.close();
    report_.written();
    report_.inputDone();
    return Result::Completed;
}

void SplitRun::openSource() {
    copy_.open(request_.source);
    report_.pump();
    if (request_.count == 0)
        throw FileError(tr("a piece count of 0 for"), request_.source);
    if (copy_.length() == 0) throw FileError(tr("the file is empty"), request_.source);
    report_.startInput(0, 1, copy_.length());
}

bool SplitRun::replaceExisting() {
    const auto existing =
        SliceSet::taken(request_.folder, request_.name, static_cast<long>(request_.count));
    if (existing.empty()) return true;
    if (!report_.confirm(RunReport::Question::ReplaceSlices)) return false;
    for (const SliceSet::Slice& old : existing) FileServices::killIfStill(old.path, old.entry);
    return true;
}

void SplitRun::writeSlices() {
    // Slices get the source's permissions, as a copy would.
    const unsigned mode = copy_.input().mode();
    const auto sizes = SliceSizes::sizesFor(copy_.length(), request_.count);
    std::vector<OutputFile> slices;
    slices.reserve(sizes.size());
    std::int64_t end = 0;
    Sha256 sha;
    copy_.hashInto(&sha);
    std::vector<SumsFile::Line> sums;
    for (std::size_t k = 0; k < sizes.size(); ++k) {
        slices.emplace_back(
            SliceNames::slicePath(request_.folder, request_.name, static_cast<long>(k + 1)),
            request_.name, mode, !options_.namedTemporaries);
        end += sizes[k];
        copy_.copyTo(end, slices.back());
        slices.back().park();
        sums.push_back({SliceNames::bareName(slices.back().finalPath()), sha.hex()});
    }
    copy_.hashInto(nullptr);
    OutputFile sumsFile = SumsFile(request_.name, copy_.length(), std::move(sums))
                              .write(SumsFile::pathFor(request_.folder, request_.name),
                                     request_.name, mode, !options_.namedTemporaries);
    nameSlices(slices, sumsFile);
}

void SplitRun::nameSlices(std::vector<OutputFile>& slices, OutputFile& sums) {
    Interruption::check();
    try {
        for (std::size_t k = 1; k < slices.size(); ++k) slices[k].commit(false);
        sums.commit(false);
        FileServices::syncDirectory(request_.folder);
        slices.front().commit(false);
        FileServices::syncDirectory(request_.folder);
    } catch (...) {
        for (OutputFile& slice : slices) slice.retract();
        sums.retract();
        throw;
    }
}

}  // namespace qz
