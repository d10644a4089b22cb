#include "engine/run/MergeRun.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "engine/io/FileError.h"
#include "engine/io/FileServices.h"
#include "engine/io/Interruption.h"
#include "engine/run/OutputFile.h"
#include "engine/run/RunReport.h"
#include "engine/recovery/Par2Names.h"
#include "engine/run/HashPipe.h"
#include "engine/run/SetRepair.h"
#include "engine/set/SliceNames.h"
#include "engine/set/Sha256.h"
#include "engine/set/SliceSet.h"
#include "engine/set/SliceSizes.h"
#include "engine/set/SumsFile.h"
#include "engine/io/TargetVolume.h"
#include "engine/run/Unfinished.h"
#include "engine/io/Text.h"

namespace qz {

namespace {

// A slice whose bytes differ from its line in the sums file, found while it
// is joined: the join can start over once the set is mended.
struct DamagedSlice : FileError {
    explicit DamagedSlice(const FileError& e) : FileError(e) {}
};

// The first line of what a failure after the output was named says.
std::string wholeOutput(const std::string& output) {
    return tr("the output is whole: %1", {output});
}

}  // namespace

MergeRun::MergeRun(const Request& request, RunReport& report, const RunOptions& options)
    : request_(request), report_(report), options_(options), copy_(report, options.throughBuffer) {}

RunEnding::Kind MergeRun::run() {
    FileServices::requireDirectory(request_.folder);
    // The set, and the output's name where it lies in another folder.
    const std::string stem = SliceNames::stemOf(request_.firstSlice);
    const std::string setFolder = FileServices::directoryOf(request_.firstSlice);
    outputs_.lock(setFolder, stem);
    if (!FileServices::sameFile(setFolder.empty() ? "." : setFolder, request_.folder))
        outputs_.lock(request_.folder, stem);
    const SetRepair repair(setFolder.empty() ? "./" : setFolder, stem);
    SliceSet set = checkedSet(repair);
    if (request_.deleteAfter) holdRecoveryFiles(setFolder, stem);
    if (request_.stream >= 0) {
        sendSlices(set, repair);
        return RunEnding::Kind::Completed;
    }
    const std::string output = outputOf(set, stem);
    // Before the question: a refusal is not for after a Yes.
    TargetVolume(request_.folder).holdOutput(set.total());
    const Existing existing = confirmOutput(output);
    if (existing == Existing::Kept) return RunEnding::Kind::Declined;
    try {
        writeOutput(set, output, existing == Existing::Replaced);
    } catch (const DamagedSlice&) {
        if (!repair.available()) throw;
        // Nothing was named yet: start over from a mended set.
        outputs_.restart();
        repair.mend(report_, worker_, options_);
        set = SliceSet::check(request_.firstSlice);
        writeOutput(set, output, existing == Existing::Replaced);
    }
    report_.written();
    if (request_.deleteAfter) deleteSlices(set, output);
    // Past the point of no return a signal stops nothing that is done; it
    // still ends the run by it, saying what stays.
    if (const int signal = Interruption::caught())
        throw Unfinished(wholeOutput(output) + "\n" + Interrupted(signal).what());
    return RunEnding::Kind::Completed;
}

SliceSet MergeRun::checkedSet(const SetRepair& repair) {
    try {
        return SliceSet::check(request_.firstSlice);
    } catch (const FileError&) {
        if (!repair.available()) throw;
    }
    // Not whole: mended where its recovery files can, else their reason;
    // still not whole with nothing to rebuild, the check says why.
    repair.mend(report_, worker_, options_);
    return SliceSet::check(request_.firstSlice);
}

void MergeRun::holdRecoveryFiles(const std::string& dir, const std::string& stem) {
    const std::string set = stem + ".QZ";
    recoveryFiles_ = SliceSet::belonging(
        dir, FileServices::listIfAllowed(dir.empty() ? "." : dir),
        [&set](const std::string& entry) { return Par2Names::mayBelongTo(entry, set); });
}

std::string MergeRun::outputOf(const SliceSet& set, const std::string& stem) const {
    const std::string output = request_.folder + stem;
    for (const SliceSet::Slice& slice : set.slices())
        if (FileServices::sameFile(slice.path, output))
            throw FileError(tr("the output would overwrite a slice"), output);
    return output;
}

MergeRun::Existing MergeRun::confirmOutput(const std::string& output) {
    const auto existing = FileServices::entry(output);
    if (!existing) return Existing::None;
    if (existing->kind == FileServices::Entry::Kind::Directory)
        throw FileError(tr("a directory stands at the output's name"), output);
    return report_.confirm(RunReport::Question::OverwriteOutput) ? Existing::Replaced
                                                                 : Existing::Kept;
}

void MergeRun::writeOutput(const SliceSet& set, const std::string& output, bool replace) {
    const std::string name = SliceNames::bareName(output);
    OutputFile::removeStale(request_.folder, name);
    report_.copying();
    // What any slice's permissions keep from someone stays kept in the
    // output: it holds all their bytes.
    unsigned mode = 0777;
    for (const SliceSet::Slice& slice : set.slices()) mode &= slice.mode;
    OutputFile& out = outputs_.add(output, name, mode, !options_.namedTemporaries,
                                   set.slices().front().owner);
    joinSlices(set, out);
    Interruption::check();
    outputs_.flush();
    // A signal during the flush still finds nothing named: undone.
    Interruption::check();
    // An existing output is replaced only now, by the whole new one, which
    // stays from now on, whatever fails after.
    outputs_.name(out, replace);
    outputs_.commit();
    try {
        FileServices::syncDirectory(request_.folder);
    } catch (const FileError& e) {
        throw Unfinished(wholeOutput(output) + "\n" + e.what() + "\n" + tr("no slice was deleted"));
    }
}

void MergeRun::joinSlices(const SliceSet& set, OutputFile& out) {
    const auto& slices = set.slices();
    std::optional<HashPipe> sha;
    if (set.sums()) copy_.hashInto(&sha.emplace(worker_));
    for (std::size_t k = 0; k < slices.size(); ++k) {
        // The very file the check saw, whatever its name leads to by now.
        SliceSet::requireUnchanged(slices[k]);
        copy_.open(slices[k].file->duplicate());
        report_.startInput(k, slices.size(), copy_.length());
        copy_.copyTo(copy_.length(), out);
        if (sha) {
            try {
                set.sums()->holdDigest(k, slices[k].path, sha->hex());
            } catch (const FileError& e) {
                throw DamagedSlice(e);
            }
        }
        copy_.close();
        // Written to while it was read: what was joined is not what was checked.
        SliceSet::requireUnchanged(slices[k]);
        report_.inputDone();
    }
    copy_.hashInto(nullptr);
}

void MergeRun::sendSlices(SliceSet& set, const SetRepair& repair) {
    if (!set.sums())
        throw FileError(tr("the set has no sums file to verify it against"),
                        SumsFile::pathFor(set.directory(), SliceNames::stemOf(request_.firstSlice)));
    FileHandle out = FileHandle::duplicateOf(request_.stream, tr("standard output"));
    report_.copying();
    std::vector<unsigned char> chunk(static_cast<std::size_t>(SliceSizes::kChunk));
    bool mended = false;
    for (std::size_t k = 0; k < set.slices().size(); ++k) {
        const SliceSet::Slice& slice = set.slices()[k];
        SliceSet::requireUnchanged(slice);
        report_.startInput(k, set.slices().size(), slice.size);
        try {
            set.sums()->holdDigest(k, slice.path, Sha256::of(*slice.file));
        } catch (const FileError&) {
            if (mended || !repair.available()) throw;
            // Nothing of it went out: mended, it is sent from the new set.
            repair.mend(report_, worker_, options_);
            mended = true;
            set = SliceSet::check(request_.firstSlice);
            --k;
            continue;
        }
        for (std::int64_t at = 0; at < slice.size;) {
            const auto size = static_cast<std::size_t>(
                std::min<std::int64_t>(SliceSizes::kChunk, slice.size - at));
            slice.file->readAt(at, chunk.data(), size);
            out.send(chunk.data(), size);
            at += static_cast<std::int64_t>(size);
            report_.chunkAppended();
            if (at < slice.size) {
                report_.pump();
                Interruption::check();
            }
        }
        // Written to while it was sent: what went out is not what was checked.
        SliceSet::requireUnchanged(slice);
        report_.inputDone();
    }
    out.close();
}

void MergeRun::deleteSlices(const SliceSet& set, const std::string& output) const {
    const auto& slices = set.slices();
    std::size_t deleted = 0;
    try {
        // All still the files joined, or none is deleted.
        for (const SliceSet::Slice& slice : slices) SliceSet::requireUnchanged(slice);
        // A signal stops the deleting: what is deleted stays so, no more is.
        for (; deleted < slices.size(); ++deleted) {
            Interruption::check();
            FileServices::killIfStill(slices[deleted].path, slices[deleted].entry);
        }
        Interruption::check();
        if (set.sums()) FileServices::killIfStill(set.sums()->path(), set.sums()->entry());
        for (const SliceSet::Slice& file : recoveryFiles_)
            FileServices::killIfStill(file.path, file.entry);
        FileServices::syncDirectory(set.directory());
    } catch (const std::runtime_error& e) {  // a FileError, or Interrupted
        std::string text = wholeOutput(output) + "\n" + e.what();
        if (deleted == 0) throw Unfinished(text + "\n" + tr("no slice was deleted"));
        text += std::string("\n") + tr("deleted:");
        for (std::size_t k = 0; k < deleted; ++k) text += " " + SliceNames::bareName(slices[k].path);
        if (deleted < slices.size()) {
            text += std::string("\n") + tr("not deleted:");
            for (std::size_t k = deleted; k < slices.size(); ++k)
                text += " " + SliceNames::bareName(slices[k].path);
        }
        throw Unfinished(text);
    }
}

}  // namespace qz
