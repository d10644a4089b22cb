#pragma once
// One run of the tool: fills the window's fields from the command line just as
// choosing the source in the window does, then presses the operate button.
// The split and the merge themselves are the engine's.

#include <string>

#include "CliHost.h"
#include "CommandLine.h"
#include "Engine.h"

namespace qzcli {

class CliSession {
public:
    explicit CliSession(CliHost& host);

    // Runs a split or merge command line; the exit status: 0 completed,
    // 1 failed (or the source not found), 3 declined or refused, 128 + the
    // signal's number when a signal stopped it.
    int run(const CommandLine& cmd);

    // path made absolute against the working directory, without "." or empty
    // components; ".." and symbolic links are left for the system to resolve.
    static std::string absolutePath(const std::string& path);
    // dir made absolute, with exactly one "/" at its end.
    static std::string directoryText(const std::string& dir);

private:
    CliHost& host_;
    qz::Engine engine_;
};

}  // namespace qzcli
