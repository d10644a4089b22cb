// qzslice-cli: the split/merge engine driven from a terminal or a script.

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <exception>
#include <iostream>

#include "cli/CliHost.h"
#include "cli/CliSession.h"
#include "cli/CommandLine.h"
#include "cli/UsageError.h"
#include "engine/Interruption.h"

namespace {

// Opens /dev/null on any of stdin, stdout and stderr that is closed: else the
// first file the run opens would take that number, and messages meant for
// the terminal would land in a slice.
bool standardStreamsOpen() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1) continue;
        const int null = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (null != fd) return false;
    }
    return true;
}

// Whether stderr is a terminal that can redraw a line in place.
bool canRedraw() {
    const char* term = std::getenv("TERM");
    return ::isatty(STDERR_FILENO) == 1 && term && *term && std::strcmp(term, "dumb") != 0;
}

}  // namespace

int main(int argc, char** argv) {
    using qzcli::CommandLine;
    if (!standardStreamsOpen()) return 1;
    // A reader of stderr that went away must not end the run: writes to it
    // fail instead, and the exit status stays the operation's.
    ::signal(SIGPIPE, SIG_IGN);
    CommandLine cmd;
    try {
        cmd = CommandLine::parse({argv + 1, argv + argc});
    } catch (const qzcli::UsageError& e) {
        std::cerr << "qzslice-cli: " << e.what() << "\n"
                  << "用 qzslice-cli --help 查看用法 / Try 'qzslice-cli --help' for more "
                     "information.\n";
        return 2;
    }
    if (cmd.mode == CommandLine::Mode::Help || cmd.mode == CommandLine::Mode::Version) {
        if (cmd.mode == CommandLine::Mode::Help)
            std::cout << CommandLine::usage();
        else
            std::cout << "qzslice-cli " << QZSLICE_VERSION << '\n';
        return std::cout.flush() ? 0 : 1;
    }
    try {
        qz::Interruption::install();
        qzcli::CliHost host(cmd.answer, std::cin, std::cerr,
                            ::isatty(STDIN_FILENO) == 1 ? STDIN_FILENO : -1, canRedraw(),
                            cmd.quiet);
        return qzcli::CliSession(host, std::cout).run(cmd);
    } catch (const std::exception& e) {
        std::cerr << "qzslice-cli: " << e.what() << '\n';
        return 1;
    }
}
