// qzslice-cli: the split/merge engine driven from a terminal or a script.

#include <fcntl.h>
#include <termios.h>
#include <libintl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <clocale>
#include <iostream>

#include "cli/CliTerminal.h"
#include "cli/CliSession.h"
#include "cli/CommandLine.h"
#include "cli/UsageError.h"
#include "engine/io/Interruption.h"
#include "engine/io/Text.h"

namespace {

// Takes the user's locale, and the catalog from QZSLICE_LOCALEDIR when it is
// set (the build tree's, for the tests), else from where it is installed.
// A locale the system lacks leaves "C", a catalog not found (or no memory to
// note where it is) the msgids: the messages are in English then, which is
// all either failure costs, so neither stops the run. Every lookup names
// the domain, so no textdomain call is needed.
void useUsersLanguage() {
    if (!std::setlocale(LC_ALL, "")) return;
    const char* dir = std::getenv("QZSLICE_LOCALEDIR");
    [[maybe_unused]] const char* bound =
        ::bindtextdomain(qz::kTextDomain, dir && *dir ? dir : QZSLICE_LOCALEDIR);
}

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

// Flushes and closes stdout: what a check or a count said must have reached
// it, or the run did not succeed. status, or 1 with the reason on stderr.
int closeStdout(int status) {
    // std::cout writes through stdio's buffer, whose flush tells the errno;
    // a failure the stream met before keeps only its bad state.
    const bool flushed = std::fflush(stdout) == 0;
    const int err = errno;
    if (std::cout.good() && flushed && std::fclose(stdout) == 0) return status;
    std::cerr << "qzslice-cli: " << qz::tr("cannot write to standard output");
    if (std::cout.good()) std::cerr << ": " << std::strerror(flushed ? errno : err);
    std::cerr << '\n';
    return status == 0 ? 1 : status;
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
    useUsersLanguage();
    // A reader of stderr that went away must not end the run: writes to it
    // fail instead, and the exit status stays the operation's.
    ::signal(SIGPIPE, SIG_IGN);
    // stdout is flushed once, at the end, where its failure is reported with
    // the system's reason; a message on stderr does not flush it before.
    std::cerr.tie(nullptr);
    CommandLine cmd;
    try {
        cmd = CommandLine::parse({argv + 1, argv + argc});
    } catch (const qzcli::UsageError& e) {
        std::cerr << "qzslice-cli: " << e.what() << "\n"
                  << qz::tr("Try 'qzslice-cli --help' for more information.") << '\n';
        return 2;
    }
    if (cmd.mode == CommandLine::Mode::Help || cmd.mode == CommandLine::Mode::Version) {
        if (cmd.mode == CommandLine::Mode::Help)
            std::cout << CommandLine::usage();
        else
            std::cout << "qzslice-cli " << QZSLICE_VERSION << '\n';
        return closeStdout(0);
    }
    try {
        qz::Interruption::install();
        qzcli::CliTerminal terminal(cmd.answer, std::cin, std::cerr,
                                    ::isatty(STDIN_FILENO) == 1 ? STDIN_FILENO : -1, canRedraw(),
                                    cmd.quiet);
        const int status = closeStdout(qzcli::CliSession(terminal, std::cout).run(cmd));
        // Stopped by a signal, with what the run wrote removed: end by it.
        if (status == 128 + qz::Interruption::caught()) {
            // The reason reaches a terminal before the process is gone. A
            // failed wait changes nothing: the signal ends the run anyway.
            if (::isatty(STDERR_FILENO) == 1) static_cast<void>(::tcdrain(STDERR_FILENO));
            qz::Interruption::endBySignal();
        }
        return status;
    } catch (const std::exception& e) {
        std::cerr << "qzslice-cli: " << e.what() << '\n';
        return 1;
    }
}
