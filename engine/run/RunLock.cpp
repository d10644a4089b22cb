#include "engine/run/RunLock.h"

#include <cerrno>

#include "engine/io/FileError.h"
#include "engine/io/Text.h"
#include "engine/io/FileServices.h"
#include "engine/io/Sys.h"
#include "engine/set/TempName.h"

namespace qz {

namespace {

constexpr int kAttempts = 100;

}  // namespace

RunLock::RunLock(const std::string& dir, const std::string& name)
    : path_(dir + TempName::lockOf(name)) {
    try {
        for (int attempt = 1; attempt <= kAttempts; ++attempt) {
            held_ = take();
            if (!held_) {
                const FileOwner holder = file_.owner();
                if (holder.uid == Sys::geteuid())
                    throw FileError(tr("another run is working on this set"), dir + name);
                // Where only a name's owner may replace it, another user's
                // run cannot take the set's names from us: go on without.
                if (FileServices::sharedSticky(dir)) return;
                throw FileError(tr("a run of user %1 is working on this set",
                                   {FileServices::userName(holder.uid)}),
                                dir + name);
            }
            // Locked; but if the run before us removed the file meanwhile,
            // what we hold is no longer the lock at that name: take it again.
            if (!file_.isOpen()) return;
            const auto now = FileServices::entry(path_);
            if (now && now->id == file_.identity()) return;
            file_ = FileHandle();
        }
        throw FileError(tr("cannot lock"), path_, EAGAIN);
    } catch (...) {
        // No destructor runs for a lock whose taking failed: a file of ours
        // that we held goes here; one another run holds stays theirs.
        if (file_.isOpen() && held_ && ours_) FileServices::removeQuietly(path_);
        throw;
    }
}

bool RunLock::take() {
    bool created = false;
    try {
        file_ = FileHandle::openLock(path_, created);
    } catch (const FileError& e) {
        // No file can be made here (read-only media, an ISO image through
        // FUSE, which offers no such call): no other run changes it either.
        if (e.code() == EROFS || e.code() == EACCES || e.code() == EPERM || e.code() == ENOSYS ||
            e.code() == EOPNOTSUPP)
            return true;
        throw;
    }
    ours_ = created || file_.owner().uid == Sys::geteuid();
    return file_.tryLockIfOffered();
}

RunLock::~RunLock() {
    if (!file_.isOpen() || !ours_) return;
    // Removed while still locked: a run that opened it meanwhile finds its
    // file gone from the name once it has the lock, and takes a new one.
    FileServices::removeQuietly(path_);
}

}  // namespace qz
