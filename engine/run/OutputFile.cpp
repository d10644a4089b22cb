#include "engine/run/OutputFile.h"

#include <cerrno>

#include "engine/io/FileError.h"
#include "engine/io/FileServices.h"
#include "engine/io/Sys.h"
#include "engine/run/Worker.h"
#include "engine/set/TempName.h"

namespace qz {

namespace {

constexpr int kAttempts = 100;
// Read back too: recovery data is added up in the file it is written to.
constexpr FileHandle::Access kAccess = FileHandle::Access::ReadWrite;

}  // namespace

OutputFile::OutputFile(const std::string& finalPath, const std::string& runName,
                       unsigned mode, bool unnamed, Worker& worker)
    : finalPath_(finalPath),
      dir_(FileServices::directoryOf(finalPath)),
      runName_(runName),
      worker_(worker) {
    if (dir_.empty()) dir_ = "./";
    if (unnamed && FileHandle::unnamedCanBeNamed()) file_ = FileHandle::createUnnamed(dir_, mode, finalPath, kAccess);
    for (int attempt = 1; !file_.isOpen(); ++attempt) {
        const std::string path = hiddenPath();
        try {
            file_ = FileHandle::createNew(path, mode, kAccess);
            tempPath_ = path;
        } catch (const FileError& e) {
            if (e.code() != EEXIST || attempt == kAttempts) throw;
        }
    }
    try {
        id_ = file_.identity();
        // Held for as long as the file is ours: what tells another run, in
        // any container or after any reboot, that it is not stale.
        file_.lockIfOffered();
    } catch (...) {
        discard();
        throw;
    }
}

void OutputFile::keepOwner(const FileOwner& owner) {
    if (Sys::geteuid() == 0) file_.giveTo(owner);
}

void OutputFile::append(const void* buf, std::size_t size) {
    file_.append(buf, size);
    writeBehind();
}

std::size_t OutputFile::appendFrom(const FileHandle& input, std::int64_t offset,
                                   std::size_t size) {
    const std::size_t moved = file_.appendFrom(input, offset, size);
    writeBehind();
    return moved;
}

void OutputFile::writeBehind() {
    constexpr std::int64_t kPile = 16 << 20;
    if (file_.appended() - behind_ < kPile) return;
    behind_ = file_.appended();
    worker_.post([this] { file_.startWriteback(); });
}

void OutputFile::flush() {
    file_.sync();
    flushed_ = true;
}

void OutputFile::commit(bool replace) {
    if (!flushed_) flush();
    if (tempPath_.empty() && !replace) {
        file_.link(finalPath_);
        committed_ = true;
        file_.close();
        return;
    }
    if (tempPath_.empty()) nameHidden();
    // Closed before the name changes hands: nothing may fail once an older
    // file at the final name is gone.
    file_.close();
    if (replace)
        FileServices::replace(tempPath_, finalPath_);
    else
        FileServices::renameNoReplace(tempPath_, finalPath_);
    tempPath_.clear();
    committed_ = true;
}

void OutputFile::discard() noexcept {
    if (!committed_) {
        if (!tempPath_.empty()) FileServices::removeQuietly(tempPath_);
        tempPath_.clear();
        return;
    }
    try {
        FileServices::killIfStill(finalPath_, id_);
    } catch (const FileError&) {
        // Not ours any more, or not deletable: left where it is.
    }
}

void OutputFile::removeStale(const std::string& dir, const std::string& runName) {
    for (const std::string& name : FileServices::listIfAllowed(dir))
        if (TempName::isOf(name, runName))
            removeIfStale((dir.ends_with('/') ? dir : dir + "/") + name);
}

void OutputFile::removeIfStale(const std::string& path) {
    FileHandle file;
    try {
        file = FileHandle::openRead(path, FileHandle::Links::Refuse);
        // Unlocked: its run is gone, wherever it ran. One just made and not
        // locked yet cannot be here: its run holds the lock of this name in
        // this folder, as the caller does.
        if (!file.tryLock()) return;
        const auto e = FileServices::entry(path);
        if (e && e->id == file.identity()) FileServices::removeQuietly(path);
    } catch (const FileError&) {
        // Another user's in a shared folder, or gone meanwhile: not ours to remove.
    }
}

void OutputFile::nameHidden() {
    for (int attempt = 1;; ++attempt) {
        const std::string path = hiddenPath();
        try {
            file_.link(path);
            tempPath_ = path;
            return;
        } catch (const FileError& e) {
            if (e.code() != EEXIST || attempt == kAttempts) throw;
        }
    }
}

std::string OutputFile::hiddenPath() const { return dir_ + TempName::fresh(runName_); }

}  // namespace qz
