#pragma once
// SIGINT, SIGTERM and SIGHUP (Ctrl-C, kill, a logout) while files are being
// written: instead of ending the program on the spot, with a partial file
// left behind, the signal is recorded; the engine sees it after the next
// chunk and ends on its error path, and the front end then ends the program.

#include <stdexcept>
#include <string>

namespace qz {

// The exception the engine ends an interrupted operation with.
class Interrupted : public std::runtime_error {
public:
    explicit Interrupted(int signal);
};

class Interruption {
public:
    // From now on the three signals are recorded, not acted on; one that was
    // ignored when the program started (nohup) stays ignored. Idempotent.
    static void install();
    // The last of them that arrived, 0 when none has.
    static int caught();
    // Forgets a recorded signal.
    static void reset();
    // A descriptor that becomes readable when a signal arrives, for an event
    // loop to watch; drain() empties it. -1 before install().
    static int notifier();
    static void drain();
    // Throws Interrupted when a signal has arrived.
    static void check();

    // Whether a signal is ending the program: a question is then answered No
    // without being shown, since nobody may be there to answer, and a front
    // end goes once the operation has taken its way out.
    static bool ending() { return caught() != 0; }
    // Once a run that a signal stopped has cleaned up: ends the process by
    // that signal, its default action restored, so that the shell sees a
    // death by signal (128 + its number) and a loop around us stops too.
    // Returns at once when no signal arrived.
    static void endBySignal();
};

}  // namespace qz
