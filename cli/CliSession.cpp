#include "CliSession.h"

#include <filesystem>

#include "FileError.h"
#include "Interruption.h"
#include "SliceNames.h"
#include "SourceSelection.h"

namespace qzcli {

namespace {

// The window's message when the chosen file cannot be adopted.
const char* const kNotFound = "找不到指定的文件名!";

int exitStatus(qz::Engine::Outcome outcome) {
    switch (outcome) {
    case qz::Engine::Outcome::Completed:
        return 0;
    case qz::Engine::Outcome::Declined:
    case qz::Engine::Outcome::Refused:
        return 3;
    case qz::Engine::Outcome::Guard:  // cannot happen: Text1 and Text3 are set
    case qz::Engine::Outcome::Failed:
        break;
    }
    return 1;
}

}  // namespace

CliSession::CliSession(CliHost& host) : host_(host), engine_(host) {}

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
    try {
        const std::string P = absolutePath(cmd.source);
        host_.setText1(P);
        host_.setOption1_0(cmd.mode == CommandLine::Mode::Split);
        qz::SourceSelection::adopt(host_, engine_, P, qz::SliceNames::bareName(P));
    } catch (const qz::FileError&) {
        host_.MsgBox(kNotFound, "出错", qz::MsgWarning);
        return 1;
    }
    if (!cmd.saveDir.empty()) host_.setText3(directoryText(cmd.saveDir));
    if (cmd.mode == CommandLine::Mode::Split) host_.setText2(std::to_string(cmd.count));
    host_.setCheck1(cmd.deleteAfter);
    const qz::Engine::Outcome outcome = engine_.Command5_Click();
    if (outcome == qz::Engine::Outcome::Failed) host_.showReason(engine_.failureReason());
    // Stopped by a signal: whatever the run wrote is gone again, and the
    // caller learns which signal it was, as from a program it ended.
    if (const int signal = qz::Interruption::caught();
        signal != 0 && outcome != qz::Engine::Outcome::Completed)
        return 128 + signal;
    return exitStatus(outcome);
}

}  // namespace qzcli
