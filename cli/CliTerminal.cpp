#include "cli/CliTerminal.h"

#include <poll.h>

#include <cerrno>
#include <istream>
#include <ostream>

#include "engine/io/Interruption.h"
#include "engine/io/Text.h"

namespace qzcli {

namespace {

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

CliTerminal::CliTerminal(CommandLine::Answer answer, std::istream& in, std::ostream& err,
                         int terminalIn, bool drawProgress, bool quiet)
    : answer_(answer),
      in_(in),
      err_(err),
      terminalIn_(terminalIn),
      drawProgress_(drawProgress && !quiet),
      quiet_(quiet) {}

void CliTerminal::progress(const std::string& label) {
    const std::string text = joining_ + label;
    if (!drawProgress_ || text == progressShown_) return;
    // Back to the line's start, the new text, then clear what is left of the old.
    err_ << '\r' << text << "\x1b[K" << std::flush;
    progressShown_ = text;
}

void CliTerminal::progress(const std::string& label, std::int64_t done, std::int64_t total) {
    if (!drawProgress_) return;
    const std::string pace = pace_.at(done, total, TransferPace::Clock::now());
    progress(pace.empty() ? label : label + "  " + pace);
}

void CliTerminal::joining(std::size_t index, std::size_t count) {
    joining_ = std::to_string(index + 1) + "/" + std::to_string(count) + " ";
}

void CliTerminal::copied() {
    endProgressLine();
    joining_.clear();
}

void CliTerminal::endProgressLine() {
    if (progressShown_.empty()) return;
    err_ << '\n' << std::flush;
    progressShown_.clear();
}

void CliTerminal::completed(const std::string& text) {
    endProgressLine();
    if (!quiet_) err_ << text << '\n' << std::flush;
}

void CliTerminal::say(const std::string& text) {
    endProgressLine();
    err_ << text << '\n' << std::flush;
}

bool CliTerminal::ask(const std::string& question) {
    endProgressLine();
    if (answer_ == CommandLine::Answer::Ask) {
        if (terminalIn_ >= 0) return askTerminal(question);
        err_ << question << '\n' << qz::tr("no terminal to ask: taken as No") << '\n' << std::flush;
        return false;
    }
    // A question --yes answered needs no word when quiet: the run goes on.
    if (!(quiet_ && answer_ == CommandLine::Answer::Yes)) err_ << question << '\n' << std::flush;
    return answer_ == CommandLine::Answer::Yes;
}

bool CliTerminal::awaitAnswer() const {
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

bool CliTerminal::askTerminal(const std::string& question) {
    err_ << question << ' ' << qz::tr("[y/N]") << ' ' << std::flush;
    std::string line;
    if (!awaitAnswer() || !std::getline(in_, line)) {
        err_ << '\n' << std::flush;  // end of input: the prompt's line stays open
        return false;
    }
    return isYes(line);
}

}  // namespace qzcli
