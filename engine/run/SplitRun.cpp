#include "engine/run/SplitRun.h"

#include <algorithm>
#include <cerrno>

#include "engine/io/FileError.h"
#include "engine/io/FileServices.h"
#include "engine/io/Interruption.h"
#include "engine/io/Sys.h"
#include "engine/run/OutputFile.h"
#include "engine/run/RunReport.h"
#include "engine/recovery/Md5.h"
#include "engine/recovery/Par2Names.h"
#include "engine/recovery/SliceDigests.h"
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
    const std::string sums =
        SumsFile(request_.name, copy_.length(), std::move(lines), request_.recovery).text();
    const TargetVolume volume(request_.folder);
    // A set whose names the volume cannot hold would be written only to fail
    // at its last name, or be found cut short later.
    std::vector<std::string> names{
        SliceNames::slicePath("", request_.name, static_cast<long>(request_.count)),
        SumsFile::pathFor("", request_.name), TempName::fresh(request_.name)};
    if (request_.recovery > 0)
        names.push_back(Par2Names::volume(setName(), request_.recovery - 1, request_.recovery));
    volume.holdNames(names);
    volume.holdSlices(sizes, static_cast<std::int64_t>(sums.size()) + recoveryBytes(sizes));
}

std::int64_t SplitRun::recoveryBytes(const std::vector<std::int64_t>& sizes) const {
    if (request_.recovery == 0) return 0;
    if (request_.recovery > sizes.size())
        throw FileError(tr("more recovery blocks (%1) than slices (%2) for",
                           {std::to_string(request_.recovery), std::to_string(sizes.size())}),
                        request_.source);
    const std::string first = SliceNames::slicePath("", request_.name, 1);
    if (const char* why = Par2Names::unfit(first)) throw FileError(tr(why), first);
    // What each file repeats of the set: a few packets per slice, with its
    // name, and some for the set; more than they take.
    const auto described =
        static_cast<std::int64_t>(sizes.size() * (256 + first.size() + 4) + 1024);
    const std::int64_t block = (*std::max_element(sizes.begin(), sizes.end()) + 3) / 4 * 4;
    const auto volumes = static_cast<std::int64_t>(request_.recovery);
    return (volumes + 1) * described + volumes * (block + 128);
}

bool SplitRun::replaceExisting() {
    // The recovery files of an older set of the name go with it, whatever
    // this split writes.
    const std::string set = setName();
    const auto existing = SliceSet::taken(
        request_.folder, request_.name, static_cast<long>(request_.count),
        [&set](const std::string& entry) { return Par2Names::mayBelongTo(entry, set); });
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
    // Every slice and recovery file stays open until the set takes its names.
    if (Sys::allowOpenFiles(sizes.size() + request_.recovery + 1 + 64) != 0)
        throw FileError(tr("cannot keep the slices open"), request_.source, errno);
    std::vector<OutputFile*> slices;
    std::int64_t end = 0;
    HashPipe sha(worker_);
    copy_.hashInto(&sha);
    startRecovery(sizes);
    std::vector<SumsFile::Line> sums;
    for (std::size_t k = 0; k < sizes.size(); ++k) {
        slices.push_back(&startFile(
            SliceNames::slicePath(request_.folder, request_.name, static_cast<long>(k + 1))));
        if (RecoveryEncoder* par2 = recovery_.get()) {
            // The slice's sums beside its SHA-256 on the worker, its
            // recovery data here once it is written.
            sha.alsoTo([par2, k](const unsigned char* bytes, std::size_t size) {
                par2->digestChunk(k, bytes, size);
            });
            copy_.alsoTo([par2, k](const unsigned char* bytes, std::size_t size) {
                par2->codeChunk(k, bytes, size);
            });
        }
        end += sizes[k];
        copy_.copyTo(end, *slices.back());
        sums.push_back({SliceNames::bareName(slices.back()->finalPath()), sha.hex()});
    }
    copy_.hashInto(nullptr);
    copy_.alsoTo({});
    sha.alsoTo({});
    // Written to while it was read: the slices may hold old and new bytes
    // alike, and their sums would prove such a set whole.
    if (copy_.input().length() != copy_.length() || copy_.input().changeTime() != sourceChanged_)
        throw FileError(tr("the source changed while it was read"), request_.source);
    if (recovery_) recovery_->finish();
    OutputFile& sumsFile = startFile(SumsFile::pathFor(request_.folder, request_.name));
    SumsFile(request_.name, copy_.length(), std::move(sums), request_.recovery)
        .writeTo(sumsFile.file());
    nameSlices(slices, sumsFile);
}

void SplitRun::startRecovery(const std::vector<std::int64_t>& sizes) {
    if (request_.recovery == 0) return;
    std::vector<RecoveryEncoder::Slice> slices;
    std::vector<unsigned char> head(static_cast<std::size_t>(SliceDigests::kHeadBytes));
    std::int64_t start = 0;
    for (std::size_t k = 0; k < sizes.size(); ++k) {
        const auto size =
            static_cast<std::size_t>(std::min(sizes[k], SliceDigests::kHeadBytes));
        copy_.input().readAt(start, head.data(), size);
        slices.push_back(
            {SliceNames::slicePath("", request_.name, static_cast<long>(k + 1)), sizes[k],
             Md5::of(head.data(), size)});
        start += sizes[k];
    }
    std::vector<FileHandle*> files;
    for (const std::string& name : Par2Names::all(setName(), request_.recovery)) {
        recoveryFiles_.push_back(&startFile(request_.folder + name));
        files.push_back(&recoveryFiles_.back()->file());
    }
    recovery_ = std::make_unique<RecoveryEncoder>(std::move(slices), request_.recovery,
                                                  std::move(files));
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
    for (OutputFile* file : recoveryFiles_) outputs_.name(*file, false);
    FileServices::syncDirectory(request_.folder);
    outputs_.name(*slices.front(), false);
    FileServices::syncDirectory(request_.folder);
    outputs_.commit();
}

}  // namespace qz
