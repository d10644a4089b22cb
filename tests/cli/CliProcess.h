#pragma once
// Runs the built qzslice-cli as a child process, as a script or a user at a
// terminal would, and collects what it printed and its exit status.

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

class CliProcess {
public:
    struct Result {
        int status = -1;  // exit status; 128 + signal when killed
        int signal = 0;   // the signal that killed it, 0 when it exited
        std::string out, err;
    };

    // The tools started from now on start with signal ignored, as under
    // nohup; 0: none ignored. The other signals it catches start at their
    // default, whatever the test's own process was given.
    static void ignoreInChildren(int signal);

    // Runs the tool with args in the directory dir; stdin is /dev/null,
    // stdout and stderr are pipes read apart.
    static Result run(const std::vector<std::string>& args, const std::string& dir);

    // How the tool's stderr is broken for runBroken().
    enum class Stderr {
        ReaderGone,  // a pipe whose reading end is closed
        Closed,      // no descriptor 2 at all
    };
    // Runs the tool with args in the directory dir, stdin and stdout on
    // /dev/null and stderr broken as given; the exit status.
    static int runBroken(const std::vector<std::string>& args, const std::string& dir,
                         Stderr how);

    // Runs the tool on a new pseudo-terminal that is its stdin, stdout and
    // stderr; out gets all the terminal showed. Once the output holds prompt
    // (when not empty), reply is typed.
    // Whether this machine can open a pseudo-terminal at all (a chroot or a
    // container may have no /dev/pts).
    static bool ptyAvailable();
    static Result runOnPty(const std::vector<std::string>& args, const std::string& dir,
                           const std::string& prompt = "", const std::string& reply = "");
    // The same, but once the output holds cue, act runs with the tool's
    // process id and the terminal's master side: to type, or to send it a
    // signal at a known point of its work.
    static Result runOnPty(const std::vector<std::string>& args, const std::string& dir,
                           const std::string& cue,
                           const std::function<void(pid_t, int)>& act);
};
