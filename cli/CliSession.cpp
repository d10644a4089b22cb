#include "cli/CliSession.h"

#include <filesystem>

#include <ostream>

#include "engine/io/FileError.h"
#include "engine/io/FileServices.h"
#include "engine/io/Interruption.h"
#include "engine/set/Sha256.h"
#include "engine/set/SliceNames.h"
#include "engine/set/SliceSet.h"
#include "engine/set/SliceSizes.h"
#include "engine/SourceSelection.h"
#include "engine/set/SumsFile.h"
#include "engine/io/Text.h"
#include "engine/WayOut.h"

namespace qzcli {

namespace {

// The count field takes three digits.
constexpr std::int64_t kMostSlices = 999;

int exitStatus(qz::Engine::Outcome outcome) {
    switch (outcome) {
    case qz::Engine::Outcome::Completed:
        return 0;
    case qz::Engine::Outcome::Declined:
    case qz::Engine::Outcome::Refused:
        return 3;
    case qz::Engine::Outcome::Unfinished:
        return 4;
    case qz::Engine::Outcome::Guard:  // cannot happen: Text1 and Text3 are set
    case qz::Engine::Outcome::Failed:
        break;
    }
    return 1;
}

}  // namespace

CliSession::CliSession(CliHost& host, std::ostream& out)
    : host_(host), out_(out), engine_(host) {}

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
    const std::string P = absolutePath(cmd.source);
    const bool unsummed =
        cmd.mode == CommandLine::Mode::Merge && !qz::FileServices::exists(sumsOf(P));
    try {
        host_.setText1(P);
        host_.setOption1_0(cmd.mode == CommandLine::Mode::Split);
        qz::SourceSelection::adopt(host_, engine_, P, qz::SliceNames::bareName(P));
    } catch (const qz::FileError& e) {
        // The failure as the window's error path shows it, reason below.
        host_.MsgBox(qz::WayOut::kError.message, qz::WayOut::kError.title, qz::MsgWarning);
        host_.showReason(e.what());
        return 1;
    }
    if (!cmd.saveDir.empty()) host_.setText3(directoryText(cmd.saveDir));
    if (cmd.mode == CommandLine::Mode::Split) {
        const std::int64_t count = cmd.maxSize != 0 ? countFor(cmd, P) : cmd.count;
        if (count == 0) return 2;
        host_.setText2(std::to_string(count));
    }
    host_.setCheck1(cmd.deleteAfter);
    const int status = finish(engine_.Command5_Click());
    if (status == 0 && unsummed) noSums(cmd, P);
    return status;
}

std::string CliSession::sumsOf(const std::string& firstSlice) {
    return qz::SumsFile::pathFor(qz::FileServices::directoryOf(firstSlice),
                                 qz::SliceNames::stemOf(firstSlice));
}

void CliSession::noSums(const CommandLine& cmd, const std::string& firstSlice) {
    if (cmd.quiet) return;
    const std::string sums = qz::SliceNames::bareName(sumsOf(firstSlice));
    host_.showReason(qz::tr(
        "note: the set carries no sums (%1), so a lost last slice or damaged bytes cannot be seen",
        {sums}));
}

int CliSession::finish(qz::Engine::Outcome outcome) {
    if (!engine_.failureReason().empty()) host_.showReason(engine_.failureReason());
    // Stopped by a signal: whatever the run wrote is gone again, and the
    // caller learns which signal it was, as from a program it ended. A run
    // past its point of no return completes, and says so.
    if (outcome == qz::Engine::Outcome::Completed) return 0;
    if (const int signal = qz::Interruption::caught()) return 128 + signal;
    return exitStatus(outcome);
}

std::int64_t CliSession::countFor(const CommandLine& cmd, const std::string& source) {
    const std::int64_t len = qz::FileServices::GetFileSize(source);
    const std::int64_t count = qz::SliceSizes::smallestCount(len, cmd.maxSize, kMostSlices);
    const std::string limit = std::to_string(cmd.maxSize);
    if (count == 0) {
        host_.showReason("qzslice-cli: " +
                         qz::tr("no count from 1 to 999 keeps every slice within %1 bytes", {limit}));
        return 0;
    }
    if (qz::SliceSizes::tooSmall(len, count)) {
        host_.showReason("qzslice-cli: " +
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

int CliSession::notWhole(const qz::FileError& e) {
    host_.showReason(qz::tr("the set is not whole"));
    host_.showReason(e.what());
    return 1;
}

int CliSession::verify(const CommandLine& cmd) {
    const std::string first = absolutePath(cmd.source);
    std::size_t bad = 0;
    try {
        const qz::SliceSet set = qz::SliceSet::check(first);
        if (!set.sums()) {
            // A whole set, but nothing to hold its bytes to.
            host_.showReason(qz::FileError(qz::tr("the set has no sums file to verify it against"),
                                           sumsOf(first))
                                 .what());
            return 1;
        }
        const auto& slices = set.slices();
        for (std::size_t k = 0; k < slices.size(); ++k) {
            try {
                set.sums()->holdDigest(k, slices[k].path, qz::Sha256::of(*slices[k].file));
            } catch (const qz::FileError& e) {
                host_.showReason(e.what());
                ++bad;
            }
        }
        if (bad == 0 && !cmd.quiet)
            out_ << qz::trn("verified: %1 slice, %2 bytes, it matches its SHA-256",
                            "verified: %1 slices, %2 bytes, every one matches its SHA-256",
                            slices.size(), {std::to_string(slices.size()), std::to_string(set.total())})
                 << '\n';
        return bad == 0 ? 0 : 1;
    } catch (const qz::FileError& e) {
        return notWhole(e);
    } catch (const qz::Interrupted&) {
        return 128 + qz::Interruption::caught();
    }
}

}  // namespace qzcli
