#pragma once
// One run at a time for one name in one folder: a split of NAME, a merge of
// the set NAME.QZ1..., and a merge writing NAME exclude each other there, in
// any process, container or user that shares the folder. The lock is an
// advisory lock (flock) on a hidden file ".NAME.qzlock" beside the set,
// removed again when the run ends: locking the folder itself would make
// every run in it wait for every other, and a lock file works alike on ext4
// and on a USB stick's exFAT through FUSE, where the kernel keeps the locks.
// A second run is refused with a reason, never left waiting; the reason
// says whose it is when it is another user's. In a sticky folder everyone
// may write to, another user's lock does not stop a run: only a name's
// owner may replace what it names there anyway. Where the
// volume offers no locks (NFS without its lock service, an ISO image through
// FUSE) the run goes on without one, as where no file can be made.

#include <string>

#include "engine/io/FileHandle.h"

namespace qz {

class RunLock {
public:
    // Takes the lock of name in dir (ending in "/"); FileError when another
    // run holds it. A folder where no file can be made (a read-only stick,
    // an ISO image through FUSE) is one no other run can change either: no
    // lock is taken there.
    RunLock(const std::string& dir, const std::string& name);
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;
    // Removes the lock file if it is ours, then lets go of the lock.
    ~RunLock();

private:
    // Opens the lock file and locks it; false when another run holds it.
    bool take();

    std::string path_;
    FileHandle file_;
    // This run made the file, or its user owns it (a killed run of theirs
    // left it): the file is then removed with the lock, never another's.
    bool ours_ = false;
    bool held_ = false;  // the lock is ours, or the volume offers none
};

}  // namespace qz
