#pragma once
// What qzslice was started with, read before any part of Qt runs, so that
// --help and --version work without a graphical session: nothing (the window
// as it always opened), one FILE to open as if it had been dropped on the
// window, or a request for the help or the version.

#include <optional>
#include <string>
#include <vector>

namespace qzmainwindow {

class StartArguments {
public:
    enum class Action { Run, Help, Version, UsageError };

    Action action = Action::Run;
    // Run with a file: its path as the bytes the system gave, made absolute
    // against the directory the program was started in, since a running
    // window that takes it over has a current directory of its own.
    std::optional<std::string> file;
    // UsageError: what is wrong, in one line, without the program's name.
    std::string error;

    // Reads args (argv without the program's name); cwd is the current
    // directory, for a relative FILE.
    static StartArguments parse(const std::vector<std::string>& args, const std::string& cwd);
    // The text --help prints.
    static const std::string& usage();
};

}  // namespace qzmainwindow
