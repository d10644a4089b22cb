#pragma once
// The few file-system services beyond an open file that the engine and source
// selection rely on: existence and size of a plain file, and delete by path.

#include <cstdint>
#include <string>

namespace qz {

class FileServices {
public:
    // True when a regular file (not a directory) exists at the path.
    static bool FileExists(const std::string& path);
    // Size in bytes of the regular file at path; FileError for a missing path,
    // a directory or anything else that is no plain file.
    static std::int64_t GetFileSize(const std::string& path);
    // Deletes the file; a missing or undeletable file is a FileError.
    static void Kill(const std::string& path);
    // True when both paths name the same file (device and inode).
    static bool sameFile(const std::string& a, const std::string& b);
};

}  // namespace qz
