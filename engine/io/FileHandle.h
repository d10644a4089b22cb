#pragma once
// An open file, owned: the engine's input file (the source or a slice) and a
// file being written. Every operation either does all it was asked or throws
// FileError; close() reports a failed close.

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/io/FileId.h"
#include "engine/io/FileOwner.h"

namespace qz {

class FileHandle {
public:
    FileHandle() = default;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    FileHandle(FileHandle&& other) noexcept;
    FileHandle& operator=(FileHandle&& other) noexcept;
    ~FileHandle();  // closes quietly: only for the ways out that already failed

    // Whether opening a name follows a link there.
    enum class Links { Follow, Refuse };
    // Whether a file made for writing can also be read back: recovery data
    // is added up in the file it is written to.
    enum class Access { Write, ReadWrite };
    // Opens an existing regular file for reading, without waiting on
    // anything; FileError for anything else, and for a link when refused.
    static FileHandle openRead(const std::string& path, Links links = Links::Follow);
    // Whether a file made by createUnnamed can be given a name here: link()
    // names it through /proc, which a chroot may lack.
    static bool unnamedCanBeNamed();
    // A new file without a name in the directory dir, for writing, to become
    // path (which messages name); a closed handle where the file system
    // offers no such files.
    static FileHandle createUnnamed(const std::string& dir, unsigned mode,
                                    const std::string& path, Access access = Access::Write);
    // The regular file at path, made if missing (created then says so), to
    // hold a lock on, opened without waiting; a link is not followed, and
    // anything else at path (a FIFO someone put there) is a FileError.
    static FileHandle openLock(const std::string& path, bool& created);
    // A new file at path, for writing; never opens what stands there already
    // (FileError with code EEXIST) and never follows a link.
    static FileHandle createNew(const std::string& path, unsigned mode,
                                Access access = Access::Write);
    // A file for reading and writing that is gone with its handle: one
    // without a name in dir where the file system offers that, else made at
    // hiddenPath (in dir) and its name removed at once.
    static FileHandle createScratch(const std::string& dir, const std::string& hiddenPath,
                                    unsigned mode);
    // A handle of its own on the process's descriptor fd (standard input or
    // output), which messages call name.
    static FileHandle duplicateOf(int fd, const std::string& name);

    // The entry at path itself, a link not followed, held and not read: a
    // volume does not give its inode to another file while it is held, and
    // a FUSE volume that numbers its files anew once it forgets them keeps
    // this one's number.
    static FileHandle pin(const std::string& path);

    bool isOpen() const { return fd_ >= 0; }
    // Takes the file's lock, which every run holds on what it writes; where
    // the file system has no such locks, goes on without.
    void lockIfOffered();
    // Takes the file's lock if no one holds it: false when someone does.
    bool tryLock();
    // The same, but true, without a lock, where the volume offers none.
    bool tryLockIfOffered();
    // A second handle on the same open file, for a reader of its own.
    FileHandle duplicate() const;
    // When the file's data or state last changed (its ctime, in nanoseconds).
    std::int64_t changeTime() const;
    std::int64_t length() const;
    FileId identity() const;
    unsigned mode() const;  // permission bits
    FileOwner owner() const;
    // Gives the file to owner; false, changing nothing, where no one here
    // may give files away (EPERM: a root without that capability; EINVAL:
    // ids that this user namespace does not map; ENOSYS: a FUSE volume
    // without owners).
    bool giveTo(const FileOwner& owner);
    // Reads exactly size bytes at the 0-based offset; fewer is an error.
    void readAt(std::int64_t offset, void* buf, std::size_t size) const;
    // Writes all size bytes at the file's end.
    void append(const void* buf, std::size_t size);
    // Reads up to size bytes where a stream (a pipe) stands, waiting for
    // them; 0 at its end. A signal that arrives meanwhile ends the wait
    // (Interrupted).
    std::size_t readSome(void* buf, std::size_t size);
    // Writes all size bytes to a stream (a pipe, a terminal) as it takes them.
    void send(const void* buf, std::size_t size);
    // Writes all size bytes at the 0-based offset; the file's end, where
    // append goes on, moves past them when they reach beyond it.
    void writeAt(std::int64_t offset, const void* buf, std::size_t size);
    // Appends up to size bytes of input, from its 0-based offset, copied
    // inside the kernel, and says how many. It stops short where the kernel
    // does not offer that here or fails: the caller moves the rest through
    // memory, where a failure names the file it concerns.
    std::size_t appendFrom(const FileHandle& input, std::int64_t offset, std::size_t size);
    // Where the next appended byte goes: bytes appended so far, or the end
    // of what writeAt wrote when that reaches further.
    std::int64_t appended() const { return end_; }
    // Starts writing what was written to the device, without waiting for
    // it; nothing where the system does not offer that.
    void startWriteback();
    // Flushes what was written to the device.
    void sync();
    // Gives a file made by createUnnamed the name path; a FileError with code
    // EEXIST when something stands there.
    void link(const std::string& path) const;
    void close();

private:
    FileHandle(int fd, std::string path);

    int fd_ = -1;
    std::string path_;      // for messages
    std::int64_t end_ = 0;  // where the next appended byte goes
};

}  // namespace qz
