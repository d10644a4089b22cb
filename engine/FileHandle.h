#pragma once
// An open file, owned: the engine's input file (the source or a slice) and the
// target of one chunk append. Every operation either does all it was asked or
// throws FileError; close() reports a failed close.

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

namespace qz {

class FileHandle {
public:
    FileHandle() = default;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    FileHandle(FileHandle&& other) noexcept;
    FileHandle& operator=(FileHandle&& other) noexcept;
    ~FileHandle();  // closes quietly: only for the ways out that already failed

    // Opens an existing regular file for reading.
    static FileHandle openRead(const std::string& path);
    // Creates the file anew: a stale regular file or symbolic link at the name
    // is removed first (never written through), anything else there is an error.
    static FileHandle createFresh(const std::string& path);
    // Opens a file for appending that createFresh made earlier in this
    // operation; fails if the name no longer holds that very file.
    static FileHandle openAppend(const std::string& path, std::uint64_t dev,
                                 std::uint64_t ino);

    bool isOpen() const { return fd_ >= 0; }
    std::int64_t length() const;
    // Device and inode: which file this is, whatever its name says later.
    std::pair<std::uint64_t, std::uint64_t> identity() const;
    // Reads exactly size bytes at the 0-based offset; fewer is an error.
    void readAt(std::int64_t offset, void* buf, std::size_t size) const;
    // Writes all size bytes at the file's end.
    void append(const void* buf, std::size_t size);
    // Appends size bytes of input, from its 0-based offset, copied inside the
    // kernel. False, with nothing written, where the file systems cannot do
    // that; fewer bytes than asked for is an error.
    bool appendFrom(const FileHandle& input, std::int64_t offset, std::size_t size);
    void close();

private:
    FileHandle(int fd, std::string path);

    int fd_ = -1;
    std::string path_;
    std::int64_t end_ = 0;  // where the next appended byte goes
};

}  // namespace qz
