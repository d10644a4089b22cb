// qzslice-cli: the split/merge engine driven from a terminal or a script.

#include <unistd.h>

#include <exception>
#include <iostream>

#include "CliHost.h"
#include "CliSession.h"
#include "CommandLine.h"
#include "Interruption.h"
#include "UsageError.h"

int main(int argc, char** argv) {
    using qzcli::CommandLine;
    CommandLine cmd;
    try {
        cmd = CommandLine::parse({argv + 1, argv + argc});
    } catch (const qzcli::UsageError& e) {
        std::cerr << "qzslice-cli: " << e.what() << "\n\n" << CommandLine::usage();
        return 2;
    }
    if (cmd.mode == CommandLine::Mode::Help) {
        std::cout << CommandLine::usage() << std::flush;
        return std::cout ? 0 : 1;
    }
    try {
        qz::Interruption::install();
        qzcli::CliHost host(cmd.answer, std::cin, std::cerr,
                            isatty(STDIN_FILENO) == 1 ? STDIN_FILENO : -1,
                            isatty(STDERR_FILENO) == 1);
        return qzcli::CliSession(host).run(cmd);
    } catch (const std::exception& e) {
        std::cerr << "qzslice-cli: " << e.what() << '\n';
        return 1;
    }
}
