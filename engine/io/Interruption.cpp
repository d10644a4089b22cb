#include "engine/io/Interruption.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

#include "engine/io/Text.h"

namespace qz {

namespace {

volatile sig_atomic_t caughtSignal = 0;
int pipeFds[2] = {-1, -1};

extern "C" void record(int signal) {
    const int saved = errno;
    caughtSignal = signal;
    if (pipeFds[1] >= 0) {
        const char byte = 1;
        // A full pipe already tells the watcher; nothing else to do here.
        [[maybe_unused]] ssize_t n = ::write(pipeFds[1], &byte, 1);
    }
    errno = saved;
}

}  // namespace

Interrupted::Interrupted(int signal)
    : std::runtime_error(tr("interrupted by SIG%1 (%2)", {::sigabbrev_np(signal), ::strsignal(signal)})) {}

void Interruption::install() {
    if (pipeFds[0] >= 0) return;
    if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::system_error(errno, std::generic_category(), "pipe2");
    struct sigaction sa {};
    sa.sa_handler = record;
    ::sigemptyset(&sa.sa_mask);
    // No SA_RESTART: a question waiting on the terminal returns at once.
    sa.sa_flags = 0;
    for (int s : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old {};
        if (::sigaction(s, nullptr, &old) != 0)
            throw std::system_error(errno, std::generic_category(), "sigaction");
        if (old.sa_handler == SIG_IGN) continue;  // the user asked us not to hear it
        if (::sigaction(s, &sa, nullptr) != 0)
            throw std::system_error(errno, std::generic_category(), "sigaction");
    }
}

int Interruption::caught() { return caughtSignal; }

void Interruption::reset() {
    caughtSignal = 0;
    drain();
}

void Interruption::endBySignal() {
    const int signal = caughtSignal;
    if (signal == 0) return;
    struct sigaction sa {};
    sa.sa_handler = SIG_DFL;
    ::sigemptyset(&sa.sa_mask);
    sigset_t only;
    ::sigemptyset(&only);
    ::sigaddset(&only, signal);
    // Should any of these fail, the exit below tells the same: the status a
    // death by the signal would give.
    if (::sigaction(signal, &sa, nullptr) == 0 && ::sigprocmask(SIG_UNBLOCK, &only, nullptr) == 0)
        static_cast<void>(::raise(signal));
    ::_exit(128 + signal);
}

int Interruption::notifier() { return pipeFds[0]; }

void Interruption::drain() {
    char buf[64];
    while (pipeFds[0] >= 0 && ::read(pipeFds[0], buf, sizeof buf) > 0) {
    }
}

void Interruption::check() {
    if (const int s = caughtSignal) throw Interrupted(s);
}

}  // namespace qz
