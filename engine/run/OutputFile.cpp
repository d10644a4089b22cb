#include "engine/run/OutputFile.h"

#include <algorithm>
#include <cerrno>
#include <exception>
#include <future>
#include <utility>

#include "engine/io/FileError.h"
#include "engine/io/FileServices.h"
#include "engine/set/SliceNames.h"
#include "engine/set/TempName.h"
#include "engine/io/Sys.h"

namespace qz {

namespace {

constexpr int kAttempts = 100;

}  // namespace

OutputFile::OutputFile(const std::string& finalPath, const std::string& runName,
                       unsigned mode, bool unnamed)
    : finalPath_(finalPath), dir_(FileServices::directoryOf(finalPath)), runName_(runName) {
    if (dir_.empty()) dir_ = "./";
    if (unnamed && FileHandle::unnamedCanBeNamed()) file_ = FileHandle::createUnnamed(dir_, mode, finalPath);
    for (int attempt = 1; !file_.isOpen(); ++attempt) {
        const std::string path = hiddenPath();
        try {
            file_ = FileHandle::createNew(path, mode);
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
        if (!tempPath_.empty()) FileServices::removeQuietly(tempPath_);
        throw;
    }
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : finalPath_(std::move(other.finalPath_)),
      dir_(std::move(other.dir_)),
      runName_(std::move(other.runName_)),
      tempPath_(std::exchange(other.tempPath_, {})),
      file_(std::move(other.file_)),
      id_(other.id_),
      flushed_(other.flushed_),
      committed_(std::exchange(other.committed_, true)) {}

OutputFile::~OutputFile() {
    if (committed_) return;
    // Only ever on a way out that already failed: a temporary that cannot be
    // removed now is removed by the next run of this name.
    if (!tempPath_.empty()) FileServices::removeQuietly(tempPath_);
}

void OutputFile::keepOwner(const FileOwner& owner) {
    if (Sys::geteuid() == 0) file_.giveTo(owner);
}

void OutputFile::flush() {
    file_.sync();
    flushed_ = true;
}

void OutputFile::flushAll(const std::vector<OutputFile*>& files) {
    constexpr std::size_t kAtOnce = 8;
    for (std::size_t from = 0; from < files.size(); from += kAtOnce) {
        std::vector<std::future<void>> flushing;
        for (std::size_t k = from; k < std::min(files.size(), from + kAtOnce); ++k)
            flushing.push_back(std::async(std::launch::async, [f = files[k]] { f->flush(); }));
        // Every one waited for, the first failure reported.
        std::exception_ptr failed;
        for (auto& f : flushing) {
            try {
                f.get();
            } catch (...) {
                if (!failed) failed = std::current_exception();
            }
        }
        if (failed) std::rethrow_exception(failed);
    }
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

void OutputFile::retract() noexcept {
    if (!committed_) return;
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
