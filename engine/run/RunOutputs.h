#pragma once
// Everything a run writes, in one owner: the run's locks, every output with
// its temporary, the sums file. The run moves it through its states, and
// what stays on disk when the run fails is decided here alone:
//   Writing  the files are being written: a failure removes them all;
//   Flushed  every file is on the device, none named: the same;
//   Named    some have their final names: a failure takes those back too;
//   Done     the run's point of no return is passed: nothing is undone.
// The run's worker is idle before any file goes, the locks go last.

#include <deque>
#include <string>

#include "engine/io/FileOwner.h"
#include "engine/run/OutputFile.h"
#include "engine/run/RunLock.h"

namespace qz {

class Worker;

class RunOutputs {
public:
    enum class State { Writing, Flushed, Named, Done };

    explicit RunOutputs(Worker& worker) : worker_(worker) {}
    RunOutputs(const RunOutputs&) = delete;
    RunOutputs& operator=(const RunOutputs&) = delete;
    // Undoes what is not Done (see abort), then lets go of the locks.
    ~RunOutputs();

    // Takes the lock of name in dir for as long as the run lives (see
    // RunLock); FileError when another run holds it.
    void lock(const std::string& dir, const std::string& name);
    // Starts an output that is to become finalPath (see OutputFile), with
    // the permission bits mode and, run as root, owner as its owner.
    OutputFile& add(const std::string& finalPath, const std::string& runName, unsigned mode,
                    bool unnamed, const FileOwner& owner);
    // Flushes every output to the device, several at once.
    void flush();
    // Gives out its final name (see OutputFile::commit).
    void name(OutputFile& out, bool replace);
    // The run's point of no return: from now on nothing is undone.
    void commit() { state_ = State::Done; }
    // Undoes the run as its state says; for the error path, which has
    // nowhere further to report a failure.
    void abort() noexcept;
    // Removes every output, none of them named yet, and starts over with
    // none; the locks stay.
    void restart() noexcept;
    State state() const { return state_; }

private:
    Worker& worker_;
    // The locks are let go only once the files are gone: declared first.
    std::deque<RunLock> locks_;
    std::deque<OutputFile> files_;
    State state_ = State::Writing;
};

}  // namespace qz
