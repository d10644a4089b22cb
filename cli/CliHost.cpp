#include "cli/CliHost.h"

#include <poll.h>

#include <cerrno>
#include <istream>
#include <ostream>

#include "engine/Engine.h"
#include "engine/io/Interruption.h"
#include "engine/io/Text.h"
#include "engine/WayOut.h"

namespace qzcli {

namespace {

// The window's message box texts with the English the catalog knows them by;
// its zh_CN text of each is the window's very text.
struct WindowText {
    const char* window;
    const char* msgid;
};

const WindowText kWindowTexts[] = {
    {qz::WayOut::kCompleted.message, qz::mark("Operation completed!")},
    {qz::WayOut::kError.message, qz::mark("Slicing error")},
    {qz::WayOut::kTooSmall.message,
     qz::mark("Sorry, slices so small would harm the file's integrity: keep every slice at "
              "64KB or more! Please set the number of slices again!")},
    {qz::Engine::kReplaceSlicesText, qz::mark("Slices of this file exist already; replace them?")},
    {qz::Engine::kOverwriteOutputText, qz::mark("The file exists already; overwrite it?")},
};

// A window text in the user's language; any other text as it is.
std::string inUsersLanguage(const std::string& text) {
    for (const WindowText& row : kWindowTexts)
        if (text == row.window) return qz::tr(row.msgid);
    return text;
}

// y, Y, yes (any case) and 是 consent; anything else, an empty line too, does not.
bool isYes(std::string line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
        line.pop_back();
    std::size_t start = line.find_first_not_of(" \t");
    line.erase(0, start == std::string::npos ? line.size() : start);
    for (char& c : line)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return line == "y" || line == "yes" || line == "是";
}

}  // namespace

CliHost::CliHost(CommandLine::Answer answer, std::istream& in, std::ostream& err,
                 int terminalIn, bool drawProgress, bool quiet)
    : answer_(answer),
      in_(in),
      err_(err),
      terminalIn_(terminalIn),
      drawProgress_(drawProgress && !quiet),
      quiet_(quiet) {}

void CliHost::setLabel7(const std::string& label) {
    const std::string text = joining_ + label;
    if (!drawProgress_ || text == progressShown_) return;
    // Back to the line's start, the new text, then clear what is left of the old.
    err_ << '\r' << text << "\x1b[K" << std::flush;
    progressShown_ = text;
}

void CliHost::joining(std::size_t index, std::size_t count) {
    joining_ = std::to_string(index + 1) + "/" + std::to_string(count) + " ";
}

void CliHost::setPicture1Visible(bool visible) {
    picture1Visible_ = visible;
    if (!visible) {
        endProgressLine();
        joining_.clear();
    }
}

void CliHost::endProgressLine() {
    if (progressShown_.empty()) return;
    err_ << '\n' << std::flush;
    progressShown_.clear();
}

qz::MsgAnswer CliHost::MsgBox(const std::string& text, const std::string& title,
                              int style) {
    endProgressLine();
    const bool question = style == qz::MsgQuestion;
    // The completion note is the one box titled 提示 that asks nothing.
    if (quiet_ && !question && title == "提示") return qz::MsgAnswer::Ok;
    if (question && answer_ == CommandLine::Answer::Ask) {
        if (terminalIn_ >= 0) return askTerminal(inUsersLanguage(text));
        err_ << inUsersLanguage(text) << '\n'
             << qz::tr("no terminal to ask: taken as No") << '\n' << std::flush;
        return qz::MsgAnswer::No;
    }
    // A question --yes answered needs no word when quiet: the run goes on.
    // Every other box (a refusal, the error) is said all the same.
    if (!(question && quiet_ && answer_ == CommandLine::Answer::Yes))
        err_ << inUsersLanguage(text) << '\n' << std::flush;
    if (!question) return qz::MsgAnswer::Ok;
    return answer_ == CommandLine::Answer::Yes ? qz::MsgAnswer::Yes : qz::MsgAnswer::No;
}

void CliHost::showReason(const std::string& reason) {
    endProgressLine();
    err_ << reason << '\n' << std::flush;
}

bool CliHost::awaitAnswer() const {
    // A signal that arrives just before the read would not interrupt it, so
    // the read waits on the terminal and the signal's notifier together.
    pollfd fds[2] = {{terminalIn_, POLLIN, 0}, {qz::Interruption::notifier(), POLLIN, 0}};
    for (;;) {
        if (qz::Interruption::ending()) return false;
        const int n = ::poll(fds, fds[1].fd >= 0 ? 2 : 1, -1);
        if (n > 0 && (fds[1].revents & POLLIN) == 0) return true;
        if (n < 0 && errno != EINTR) return true;  // let the read report it
    }
}

qz::MsgAnswer CliHost::askTerminal(const std::string& question) {
    err_ << question << ' ' << qz::tr("[y/N]") << ' ' << std::flush;
    std::string line;
    if (!awaitAnswer() || !std::getline(in_, line)) {
        err_ << '\n' << std::flush;  // end of input: the prompt's line stays open
        return qz::MsgAnswer::No;
    }
    return isYes(line) ? qz::MsgAnswer::Yes : qz::MsgAnswer::No;
}

}  // namespace qzcli
