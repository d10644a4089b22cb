#pragma once
// What a run of the tool says and asks, on a terminal or in a script: its
// messages as lines on stderr in the user's language, questions answered by
// --yes/--no or asked on the terminal, and the progress redrawn in place on
// a terminal that can do that, after the slice a merge is joining, with the
// run's pace once it has gone on for a while. Quiet, it says nothing of a
// run that goes well.

#include <cstdint>
#include <iosfwd>
#include <string>

#include "cli/CommandLine.h"
#include "cli/TransferPace.h"

namespace qzcli {

class CliTerminal {
public:
    // in and err stand for stdin and stderr; terminalIn is in's descriptor
    // when it is a terminal, -1 otherwise (questions are asked only on one);
    // drawProgress: err is a terminal that can redraw a line in place.
    CliTerminal(CommandLine::Answer answer, std::istream& in, std::ostream& err, int terminalIn,
                bool drawProgress, bool quiet);

    // The note that a run completed; nothing when quiet.
    void completed(const std::string& text);
    // A line that is said even when quiet: a refusal, a failure, its reason.
    void say(const std::string& text);
    // Asks question; true only for a clear consent.
    bool ask(const std::string& question);
    // A merge begins joining slice number index (0 for the first) of count:
    // the progress names it from now on.
    void joining(std::size_t index, std::size_t count);
    // The progress as text, redrawn in place where the terminal can.
    void progress(const std::string& text);
    // The same, done of total bytes copied: the run's speed and the time
    // it has left follow the text once the run has gone on for a second.
    void progress(const std::string& text, std::int64_t done, std::int64_t total);
    // The run copies no more: a progress line drawn is ended.
    void copied();

private:
    // Puts the question on the terminal and reads the answer from it.
    bool askTerminal(const std::string& question);
    // Waits until an answer can be read, false when a signal came first.
    bool awaitAnswer() const;
    // Ends the progress line drawn so far, so the next output starts afresh.
    void endProgressLine();

    CommandLine::Answer answer_;
    std::istream& in_;
    std::ostream& err_;
    int terminalIn_;
    bool drawProgress_, quiet_;

    std::string progressShown_;  // the progress as now drawn; empty: no line open
    std::string joining_;        // "k/n " of the slice a merge joins; empty: none
    TransferPace pace_;
};

}  // namespace qzcli
