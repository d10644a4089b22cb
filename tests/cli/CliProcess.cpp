#include "tests/cli/CliProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace {

constexpr int kTimeoutMs = 20000;  // a hung child fails the test, not the run

void check(bool ok, const char* what) {
    if (!ok) throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

// argv for execv: the tool's path, then args; the strings must outlive it.
std::vector<char*> argvOf(const std::vector<std::string>& args, std::string& tool) {
    std::vector<char*> argv{tool.data()};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    return argv;
}

// In the child: enter dir and become the tool; 127 when that fails.
int ignoredInChildren = 0;

[[noreturn]] void execTool(const std::string& dir, const std::vector<char*>& argv) {
    for (int s : {SIGINT, SIGTERM, SIGHUP})
        if (::signal(s, s == ignoredInChildren ? SIG_IGN : SIG_DFL) == SIG_ERR) ::_exit(127);
    if (::chdir(dir.c_str()) == 0) ::execv(argv[0], argv.data());
    ::_exit(127);
}

// Reads what is there on fd into to; false at end of input (EIO: pty closed).
bool drain(int fd, std::string& to) {
    char buf[4096];
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) return true;
    if (n < 0 && errno == EIO) return false;
    check(n >= 0, "read");
    to.append(buf, static_cast<std::size_t>(n));
    return n > 0;
}

// Waits for pid; kills it first when it outlived the time allowed. The
// exit status, and in signal the one that ended it, if one did.
int reap(pid_t pid, bool kill, int* signal = nullptr) {
    if (kill) check(::kill(pid, SIGKILL) == 0, "kill");
    int status = 0;
    check(::waitpid(pid, &status, 0) == pid, "waitpid");
    if (signal) *signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

void CliProcess::ignoreInChildren(int signal) { ignoredInChildren = signal; }

CliProcess::Result CliProcess::run(const std::vector<std::string>& args,
                                   const std::string& dir) {
    std::string tool = QZSLICE_CLI;
    const auto argv = argvOf(args, tool);
    int out[2], err[2];
    check(::pipe2(out, O_CLOEXEC) == 0 && ::pipe2(err, O_CLOEXEC) == 0, "pipe2");
    const pid_t pid = ::fork();
    check(pid >= 0, "fork");
    if (pid == 0) {
        int null = ::open("/dev/null", O_RDONLY);
        if (null < 0 || ::dup2(null, 0) < 0 || ::dup2(out[1], 1) < 0 || ::dup2(err[1], 2) < 0)
            ::_exit(127);
        execTool(dir, argv);
    }
    check(::close(out[1]) == 0 && ::close(err[1]) == 0, "close");
    Result r;
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    bool timedOut = false;
    while (fds[0].fd >= 0 || fds[1].fd >= 0) {
        int n = ::poll(fds, 2, kTimeoutMs);
        if (n < 0 && errno == EINTR) continue;
        check(n >= 0, "poll");
        if (n == 0) {
            timedOut = true;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            if (!drain(fds[i].fd, i == 0 ? r.out : r.err)) {
                check(::close(fds[i].fd) == 0, "close");
                fds[i].fd = -1;
            }
        }
    }
    for (const auto& f : fds)
        if (f.fd >= 0) check(::close(f.fd) == 0, "close");
    r.status = reap(pid, timedOut);
    return r;
}

int CliProcess::runBroken(const std::vector<std::string>& args, const std::string& dir,
                          Stderr how) {
    std::string tool = QZSLICE_CLI;
    const auto argv = argvOf(args, tool);
    int err[2];
    check(::pipe2(err, O_CLOEXEC) == 0, "pipe2");
    check(::close(err[0]) == 0, "close");  // nobody will ever read it
    const pid_t pid = ::fork();
    check(pid >= 0, "fork");
    if (pid == 0) {
        int null = ::open("/dev/null", O_RDWR);
        if (null < 0 || ::dup2(null, 0) < 0 || ::dup2(null, 1) < 0) ::_exit(127);
        if (how == Stderr::ReaderGone ? ::dup2(err[1], 2) < 0 : ::close(2) != 0) ::_exit(127);
        execTool(dir, argv);
    }
    check(::close(err[1]) == 0, "close");
    return reap(pid, false);
}

bool CliProcess::ptyAvailable() {
    const int fd = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (fd < 0) return false;
    const bool usable = ::grantpt(fd) == 0 && ::unlockpt(fd) == 0 && ::ptsname(fd) != nullptr &&
                        ::access(::ptsname(fd), F_OK) == 0;
    ::close(fd);
    return usable;
}

CliProcess::Result CliProcess::runOnPty(const std::vector<std::string>& args,
                                        const std::string& dir, const std::string& prompt,
                                        const std::string& reply) {
    return runOnPty(args, dir, prompt, [&reply](pid_t, int master) {
        check(::write(master, reply.data(), reply.size()) == static_cast<ssize_t>(reply.size()),
              "write");
    });
}

CliProcess::Result CliProcess::runOnPty(const std::vector<std::string>& args,
                                        const std::string& dir, const std::string& cue,
                                        const std::function<void(pid_t, int)>& act) {
    std::string tool = QZSLICE_CLI;
    const auto argv = argvOf(args, tool);
    int master = -1;
    const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
    check(pid >= 0, "forkpty");
    if (pid == 0) execTool(dir, argv);
    Result r;
    bool acted = cue.empty(), timedOut = false;
    for (;;) {
        pollfd fd{master, POLLIN, 0};
        int n = ::poll(&fd, 1, kTimeoutMs);
        if (n < 0 && errno == EINTR) continue;
        check(n >= 0, "poll");
        if (n == 0) {
            timedOut = true;
            break;
        }
        if (!drain(master, r.out)) break;
        if (!acted && r.out.find(cue) != std::string::npos) {
            act(pid, master);
            acted = true;
        }
    }
    check(::close(master) == 0, "close");
    r.status = reap(pid, timedOut, &r.signal);
    return r;
}
