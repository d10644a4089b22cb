#include "engine/io/FileServices.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

#include "engine/io/FileError.h"
#include "engine/io/Sys.h"
#include "engine/io/Text.h"

namespace qz {

namespace {

// The login name and group of uid; nothing for a user the system does not know.
std::optional<std::pair<std::string, gid_t>> loginOf(uid_t uid) {
    std::vector<char> buffer(16384);
    passwd entry {}, *user = nullptr;
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &user) != 0 || !user)
        return std::nullopt;
    return std::make_pair(std::string(user->pw_name), user->pw_gid);
}

// Whether the user uid belongs to the group gid, as their login would make
// them; a user the system does not know is in no group.
bool inGroup(uid_t uid, gid_t gid) {
    const auto login = loginOf(uid);
    if (!login) return false;
    if (login->second == gid) return true;
    std::vector<gid_t> groups(64);
    for (;;) {
        int count = static_cast<int>(groups.size());
        if (::getgrouplist(login->first.c_str(), login->second, groups.data(), &count) >= 0)
            return std::find(groups.begin(), groups.begin() + count, gid) != groups.begin() + count;
        if (static_cast<std::size_t>(count) <= groups.size()) return false;
        groups.resize(static_cast<std::size_t>(count));
    }
}

FileServices::Entry entryOf(const struct stat& st) {
    using Kind = FileServices::Entry::Kind;
    FileServices::Entry e;
    e.kind = S_ISREG(st.st_mode)   ? Kind::Regular
             : S_ISLNK(st.st_mode) ? Kind::Link
             : S_ISDIR(st.st_mode) ? Kind::Directory
                                   : Kind::Other;
    e.id = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    e.size = st.st_size;
    e.mode = st.st_mode & 0777;
    e.owner = {st.st_uid, st.st_gid};
    return e;
}

// stat or lstat; nothing for a name that leads nowhere, a FileError for
// anything else that keeps us from knowing. A name longer than the volume
// holds leads nowhere either: no entry can have it.
std::optional<FileServices::Entry> look(const std::string& path, bool follow) {
    struct stat st {};
    if ((follow ? Sys::stat(path.c_str(), &st) : Sys::lstat(path.c_str(), &st)) == 0)
        return entryOf(st);
    if (errno == ENOENT || errno == ENOTDIR || errno == ENAMETOOLONG) return std::nullopt;
    throw FileError(tr("cannot look at"), path, errno);
}

}  // namespace

bool FileServices::exists(const std::string& path) noexcept {
    struct stat st {};
    return Sys::lstat(path.c_str(), &st) == 0;
}

std::optional<FileServices::Entry> FileServices::entry(const std::string& path) {
    return look(path, false);
}

std::optional<FileServices::Entry> FileServices::target(const std::string& path) {
    return look(path, true);
}

std::string FileServices::directoryOf(const std::string& path) {
    const std::size_t p = path.rfind('/');
    return p == std::string::npos ? std::string() : path.substr(0, p + 1);
}

void FileServices::requireDirectory(const std::string& path) {
    const auto dir = target(path);
    if (!dir) throw FileError(tr("no such directory"), path, ENOENT);
    if (dir->kind != Entry::Kind::Directory) throw FileError(tr("not a directory"), path, ENOTDIR);
}

bool FileServices::FileExists(const std::string& path) {
    struct stat st {};
    return Sys::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::int64_t FileServices::GetFileSize(const std::string& path) {
    struct stat st {};
    if (Sys::stat(path.c_str(), &st) != 0) throw FileError(tr("cannot look at"), path, errno);
    if (!S_ISREG(st.st_mode)) throw FileError(tr("not a plain file"), path);
    return st.st_size;
}

bool FileServices::mayFollow(const std::string& path) {
    struct stat link {}, folder {};
    const std::string dir = FileServices::directoryOf(path);
    if (Sys::lstat(path.c_str(), &link) != 0) throw FileError(tr("cannot look at"), path, errno);
    if (!S_ISLNK(link.st_mode) || link.st_uid == Sys::geteuid() || !sharedSticky(dir)) return true;
    if (Sys::stat(dir.empty() ? "." : dir.c_str(), &folder) != 0)
        throw FileError(tr("cannot look at"), dir, errno);
    return link.st_uid == folder.st_uid;
}

bool FileServices::sharedSticky(const std::string& dir) {
    struct stat folder {};
    if (Sys::stat(dir.empty() ? "." : dir.c_str(), &folder) != 0)
        throw FileError(tr("cannot look at"), dir, errno);
    return (folder.st_mode & S_ISVTX) && (folder.st_mode & S_IWOTH);
}

std::string FileServices::userName(uid_t uid) {
    const auto login = loginOf(uid);
    return login ? login->first : std::to_string(uid);
}

bool FileServices::ownerMayRead(const std::string& path) {
    struct stat link {}, data {};
    if (Sys::lstat(path.c_str(), &link) != 0) throw FileError(tr("cannot look at"), path, errno);
    if (!S_ISLNK(link.st_mode) || link.st_uid == Sys::geteuid() || link.st_uid == 0) return true;
    if (Sys::stat(path.c_str(), &data) != 0) return true;  // dangling: the caller says so
    mode_t bits = S_IROTH;
    if (data.st_uid == link.st_uid)
        bits = S_IRUSR;
    else if (inGroup(link.st_uid, data.st_gid))
        bits = S_IRGRP;
    return (data.st_mode & bits) != 0;
}

bool FileServices::sameFile(const std::string& a, const std::string& b) {
    const auto ea = target(a), eb = target(b);
    return ea && eb && ea->id == eb->id;
}

std::vector<std::string> FileServices::listDirectory(const std::string& dir) {
    std::unique_ptr<DIR, int (*)(DIR*)> d(Sys::opendir(dir.c_str()), ::closedir);
    if (!d) throw FileError(tr("cannot list"), dir, errno);
    std::vector<std::string> names;
    while (const dirent* e = Sys::readdir(d.get())) {
        std::string name = e->d_name;
        if (name != "." && name != "..") names.push_back(std::move(name));
    }
    if (errno != 0) throw FileError(tr("cannot list"), dir, errno);
    return names;
}

std::vector<std::string> FileServices::listIfAllowed(const std::string& dir) {
    try {
        return listDirectory(dir);
    } catch (const FileError& e) {
        if (e.code() != EACCES) throw;
        return {};
    }
}

void FileServices::killIfStill(const std::string& path, const FileId& id) {
    const auto now = entry(path);
    if (!now || now->id != id)
        throw FileError(tr("changed since it was checked, not deleted"), path);
    Kill(path);
}

void FileServices::Kill(const std::string& path) {
    if (Sys::unlink(path.c_str()) != 0) throw FileError(tr("cannot delete"), path, errno);
}

bool FileServices::removeQuietly(const std::string& path) noexcept {
    return Sys::unlink(path.c_str()) == 0;
}

void FileServices::replace(const std::string& from, const std::string& to) {
    if (Sys::rename(from.c_str(), to.c_str()) != 0)
        throw FileError(tr("cannot replace"), to, errno);
}

void FileServices::renameNoReplace(const std::string& from, const std::string& to) {
    if (Sys::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return;
    if (!Sys::notOffered(Sys::Call::Renameat2, errno))
        throw FileError(tr("cannot name"), to, errno);
    // File systems without an atomic no-replace rename (FAT and exFAT through
    // FUSE): look, then rename. Only another program racing us for the very
    // name could slip in between.
    if (entry(to)) throw FileError(tr("cannot name"), to, EEXIST);
    replace(from, to);
}

void FileServices::syncDirectory(const std::string& dir) {
    const int fd = Sys::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) throw FileError(tr("cannot flush"), dir, errno);
    // A file system that cannot flush a directory on its own (EINVAL) writes
    // its entries with the files; there is nothing more to ask of it.
    const int synced = Sys::fsync(fd) == 0 || Sys::notOffered(Sys::Call::Fsync, errno) ? 0 : -1;
    const int err = errno;
    if (Sys::close(fd) != 0) throw FileError(tr("cannot flush"), dir, errno);
    if (synced != 0) throw FileError(tr("cannot flush"), dir, err);
}

}  // namespace qz
