#include "engine/OutputFile.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <utility>

#include "engine/FileError.h"
#include "engine/FileServices.h"
#include "engine/SliceNames.h"
#include "engine/Sys.h"

namespace qz {

namespace {

constexpr const char* kMark = ".qzpart-";
constexpr std::size_t kNameMax = 255;  // bytes in one name, on every file system we write
constexpr std::size_t kPidMax = 10;    // digits of a process id, at the most
constexpr std::size_t kRandom = 6;
constexpr int kAttempts = 100;

// "." + runName + kMark, runName cut (between characters) so that a whole
// temporary name stays within kNameMax bytes.
std::string prefixOf(const std::string& runName) {
    std::size_t keep = kNameMax - 1 - std::char_traits<char>::length(kMark) - kPidMax - 1 - kRandom;
    if (runName.size() <= keep) return "." + runName + kMark;
    while (keep > 0 && (static_cast<unsigned char>(runName[keep]) & 0xC0) == 0x80) --keep;
    return "." + runName.substr(0, keep) + kMark;
}

// Six letters and digits, different at every call.
std::string randomPart() {
    static std::uint64_t counter = 0;
    std::uint64_t x = static_cast<std::uint64_t>(
                          std::chrono::steady_clock::now().time_since_epoch().count()) ^
                      (++counter * 0x9E3779B97F4A7C15ULL);
    std::string s;
    for (std::size_t i = 0; i < kRandom; ++i, x /= 36) s += "abcdefghijklmnopqrstuvwxyz0123456789"[x % 36];
    return s;
}

// The process id in the rest of a temporary's name after its prefix, or 0
// when the rest is not exactly "PID-" and six letters or digits.
pid_t pidOf(const std::string& rest) {
    const std::size_t dash = rest.find('-');
    if (dash == 0 || dash == std::string::npos || dash > kPidMax) return 0;
    if (rest.size() != dash + 1 + kRandom) return 0;
    pid_t pid = 0;
    for (std::size_t i = 0; i < dash; ++i) {
        if (rest[i] < '0' || rest[i] > '9') return 0;
        pid = pid * 10 + (rest[i] - '0');
    }
    for (std::size_t i = dash + 1; i < rest.size(); ++i) {
        const char c = rest[i];
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return 0;
    }
    return pid;
}

// Whether the process that wrote a temporary may still be writing it.
bool stillRunning(pid_t pid) {
    if (pid == ::getpid()) return false;  // ours, from an earlier run
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

}  // namespace

OutputFile::OutputFile(const std::string& finalPath, const std::string& runName,
                       unsigned mode, bool unnamed)
    : finalPath_(finalPath), dir_(SliceNames::directoryOf(finalPath)), runName_(runName) {
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
      parked_(other.parked_),
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

void OutputFile::park() {
    file_.sync();
    if (tempPath_.empty()) nameHidden();
    file_.close();
    parked_ = true;
}

void OutputFile::commit(bool replace) {
    if (!parked_) file_.sync();
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
    const std::string prefix = prefixOf(runName);
    for (const std::string& name : FileServices::listIfAllowed(dir)) {
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        const pid_t pid = pidOf(name.substr(prefix.size()));
        if (pid <= 0 || stillRunning(pid)) continue;
        const std::string path = (dir.ends_with('/') ? dir : dir + "/") + name;
        const auto e = FileServices::entry(path);
        if (e && e->kind == FileServices::Entry::Kind::Regular) FileServices::Kill(path);
    }
}

std::string OutputFile::longestTemporaryName(const std::string& runName) {
    return prefixOf(runName) + std::string(kPidMax, '9') + "-" + std::string(kRandom, 'x');
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

std::string OutputFile::hiddenPath() const {
    return dir_ + prefixOf(runName_) + std::to_string(::getpid()) + "-" + randomPart();
}

}  // namespace qz
