#include "cli/CliSession.h"

#include <unistd.h>

#include <filesystem>

#include <ostream>

#include "cli/CliReport.h"
#include "engine/io/FileError.h"
#include "engine/io/FileServices.h"
#include "engine/io/Interruption.h"
#include "engine/set/Sha256.h"
#include "engine/set/SliceNames.h"
#include "engine/set/SliceSet.h"
#include "engine/set/SliceSizes.h"
#include "engine/set/SumsFile.h"
#include "engine/io/Text.h"
#include "engine/recovery/Par2Names.h"
#include "engine/run/MergeRun.h"
#include "engine/run/RepairRun.h"
#include "engine/run/SetRepair.h"
#include "engine/run/SplitRun.h"

namespace qzcli {

std::string CliSession::absolutePath(const std::string& path) {
    std::string full = path;
    if (full.empty() || full[0] != '/') full = std::filesystem::current_path().string() + "/" + full;
    std::string clean;
    std::size_t start = 0;
    while (start <= full.size()) {
        std::size_t end = full.find('/', start);
        if (end == std::string::npos) end = full.size();
        const std::string part = full.substr(start, end - start);
        if (!part.empty() && part != ".") clean += "/" + part;
        start = end + 1;
    }
    const bool trailing = full.back() == '/' || full.ends_with("/.");
    if (clean.empty() || trailing) clean += "/";
    return clean;
}

std::string CliSession::directoryText(const std::string& dir) {
    std::string text = absolutePath(dir);
    if (text.back() != '/') text += "/";
    return text;
}

int CliSession::run(const CommandLine& cmd) {
    if (cmd.mode == CommandLine::Mode::Check) return check(cmd);
    if (cmd.mode == CommandLine::Mode::Verify) return verify(cmd);
    if (cmd.mode == CommandLine::Mode::Repair) return repair(cmd);
    if (cmd.mode == CommandLine::Mode::Split && cmd.source == "-") return splitStream(cmd);
    const std::string P = absolutePath(cmd.source);
    const bool unsummed =
        cmd.mode == CommandLine::Mode::Merge && !qz::FileServices::exists(sumsOf(P));
    const int status = operate(cmd, P);
    if (status == 0 && unsummed) noSums(cmd, P);
    return status;
}

int CliSession::operate(const CommandLine& cmd, const std::string& P) {
    // The source is looked at first, as choosing it in the window does;
    // a lost first slice is for the merge to rebuild where it can.
    const qz::RunEnding chosen = qz::RunEnding::of([&] {
        if (cmd.mode == CommandLine::Mode::Split || !mendable(P)) qz::FileServices::GetFileSize(P);
        return qz::RunEnding::Kind::Completed;
    });
    if (chosen.kind != qz::RunEnding::Kind::Completed) return finish(chosen);
    const std::string folder = cmd.saveDir.empty() ? qz::FileServices::directoryOf(P)
                                                   : directoryText(cmd.saveDir);
    const bool split = cmd.mode == CommandLine::Mode::Split;
    std::int64_t count = 0;
    if (split) {
        count = cmd.maxSize != 0 ? countFor(cmd, P) : cmd.count;
        if (count == 0) return 2;
    }
    CliReport report(terminal_, split);
    return finish(qz::RunEnding::of([&] {
        if (split)
            return qz::SplitRun({P, folder, qz::SliceNames::bareName(P), count, 0, -1,
                                 static_cast<std::uint32_t>(cmd.recovery)},
                                report, {})
                .run();
        return qz::MergeRun({P, folder, cmd.deleteAfter, cmd.toStdout ? STDOUT_FILENO : -1},
                            report, {})
            .run();
    }));
}

int CliSession::splitStream(const CommandLine& cmd) {
    const std::string folder = directoryText(cmd.saveDir.empty() ? "." : cmd.saveDir);
    CliReport report(terminal_, true);
    return finish(qz::RunEnding::of([&] {
        return qz::SplitRun({qz::tr("standard input"), folder, cmd.name, cmd.count, cmd.maxSize,
                             STDIN_FILENO, static_cast<std::uint32_t>(cmd.recovery)},
                            report, {})
            .run();
    }));
}

bool CliSession::mendable(const std::string& firstSlice) {
    return qz::FileServices::exists(
        qz::FileServices::directoryOf(firstSlice) +
        qz::Par2Names::index(qz::SliceNames::stemOf(firstSlice) + ".QZ"));
}

std::string CliSession::sumsOf(const std::string& firstSlice) {
    return qz::SumsFile::pathFor(qz::FileServices::directoryOf(firstSlice),
                                 qz::SliceNames::stemOf(firstSlice));
}

void CliSession::noSums(const CommandLine& cmd, const std::string& firstSlice) {
    if (cmd.quiet) return;
    const std::string sums = qz::SliceNames::bareName(sumsOf(firstSlice));
    terminal_.say(qz::tr(
        "note: the set carries no sums (%1), so a lost last slice or damaged bytes cannot be seen",
        {sums}));
}

int CliSession::finish(const qz::RunEnding& ending) {
    switch (ending.kind) {
    case qz::RunEnding::Kind::Completed:
        terminal_.completed(qz::tr("Operation completed!"));
        break;
    case qz::RunEnding::Kind::TooSmall:
        terminal_.say(qz::tr("Sorry, slices so small would harm the file's integrity: keep every "
                             "slice at 64KB or more! Please set the number of slices again!"));
        break;
    case qz::RunEnding::Kind::Declined:
        break;
    case qz::RunEnding::Kind::Failed:
    case qz::RunEnding::Kind::Unfinished:
        terminal_.say(qz::tr("Slicing error"));
        break;
    }
    terminal_.copied();
    if (!ending.reason.empty()) terminal_.say(ending.reason);
    // Stopped by a signal: whatever the run wrote is gone again, and the
    // caller learns which signal it was, as from a program it ended. A run
    // past its point of no return completes, and says so.
    if (ending.kind == qz::RunEnding::Kind::Completed) return 0;
    if (const int signal = qz::Interruption::caught()) return 128 + signal;
    switch (ending.kind) {
    case qz::RunEnding::Kind::TooSmall:
    case qz::RunEnding::Kind::Declined:
        return 3;
    case qz::RunEnding::Kind::Unfinished:
        return 4;
    default:
        return 1;
    }
}

std::int64_t CliSession::countFor(const CommandLine& cmd, const std::string& source) {
    const std::int64_t len = qz::FileServices::GetFileSize(source);
    const std::int64_t count = qz::SliceSizes::smallestCount(len, cmd.maxSize, qz::SliceSizes::kMostSlices);
    const std::string limit = std::to_string(cmd.maxSize);
    if (count == 0) {
        terminal_.say("qzslice-cli: " +
                         qz::tr("no count from 1 to 999 keeps every slice within %1 bytes", {limit}));
        return 0;
    }
    if (qz::SliceSizes::tooSmall(len, count)) {
        terminal_.say("qzslice-cli: " +
                         qz::tr("slices within %1 bytes would be smaller than 64 KB", {limit}));
        return 0;
    }
    if (!cmd.quiet)
        out_ << qz::trn("%1 slice", "%1 slices", static_cast<unsigned long>(count),
                        {std::to_string(count)})
             << '\n';
    return count;
}

int CliSession::check(const CommandLine& cmd) {
    const std::string first = absolutePath(cmd.source);
    try {
        const qz::SliceSet set = qz::SliceSet::check(first);
        const std::size_t n = set.slices().size();
        if (!cmd.quiet)
            out_ << qz::trn("whole: %1 slice, %2 bytes", "whole: %1 slices, %2 bytes", n,
                            {std::to_string(n), std::to_string(set.total())})
                 << '\n';
        if (!set.sums()) noSums(cmd, first);
        return 0;
    } catch (const qz::FileError& e) {
        return notWhole(e);
    }
}

int CliSession::repair(const CommandLine& cmd) {
    CliReport report(terminal_, false);
    qz::RepairRun run(absolutePath(cmd.source), report, {});
    const qz::RunEnding ending = qz::RunEnding::of([&] { return run.run(); });
    if (ending.kind != qz::RunEnding::Kind::Completed) return finish(ending);
    if (run.rebuilt().empty() && !cmd.quiet)
        out_ << qz::tr("every slice is intact: nothing to rebuild") << '\n';
    return 0;
}

void CliSession::tellRepair(const std::string& first) {
    const std::string dir = qz::FileServices::directoryOf(first);
    const qz::SetRepair repair(dir.empty() ? "./" : dir, qz::SliceNames::stemOf(first));
    if (!repair.available()) return;
    try {
        const auto found = repair.assess();
        if (found.unusable.empty()) return;
        std::string names;
        for (const std::string& name : found.unusable) names += (names.empty() ? "" : " ") + name;
        terminal_.say(qz::tr("lost or damaged: %1", {names}));
        if (found.unusable.size() <= found.rebuildable)
            terminal_.say(qz::tr("the recovery files can rebuild them: qzslice-cli repair %1",
                                 {first}));
        else
            terminal_.say(qz::tr("%1 slices are lost or damaged, the recovery files rebuild %2",
                                 {std::to_string(found.unusable.size()),
                                  std::to_string(found.rebuildable)}));
    } catch (const qz::FileError& e) {
        terminal_.say(e.what());
    }
}

int CliSession::notWhole(const qz::FileError& e) {
    terminal_.say(qz::tr("the set is not whole"));
    terminal_.say(e.what());
    return 1;
}

int CliSession::verify(const CommandLine& cmd) {
    const std::string first = absolutePath(cmd.source);
    std::size_t bad = 0;
    try {
        const qz::SliceSet set = qz::SliceSet::check(first);
        if (!set.sums()) {
            // A whole set, but nothing to hold its bytes to.
            terminal_.say(qz::FileError(qz::tr("the set has no sums file to verify it against"),
                                           sumsOf(first))
                                 .what());
            return 1;
        }
        const auto& slices = set.slices();
        for (std::size_t k = 0; k < slices.size(); ++k) {
            try {
                set.sums()->holdDigest(k, slices[k].path, qz::Sha256::of(*slices[k].file));
            } catch (const qz::FileError& e) {
                terminal_.say(e.what());
                ++bad;
            }
        }
        if (bad != 0) tellRepair(first);
        if (bad == 0 && !cmd.quiet)
            out_ << qz::trn("verified: %1 slice, %2 bytes, it matches its SHA-256",
                            "verified: %1 slices, %2 bytes, every one matches its SHA-256",
                            slices.size(), {std::to_string(slices.size()), std::to_string(set.total())})
                 << '\n';
        return bad == 0 ? 0 : 1;
    } catch (const qz::FileError& e) {
        const int status = notWhole(e);
        tellRepair(first);
        return status;
    } catch (const qz::Interrupted&) {
        return 128 + qz::Interruption::caught();
    }
}

}  // namespace qzcli
