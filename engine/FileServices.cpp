#include "FileServices.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "FileError.h"

namespace qz {

bool FileServices::FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::int64_t FileServices::GetFileSize(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) throw FileError("stat", path, errno);
    if (!S_ISREG(st.st_mode)) throw FileError("not a plain file", path);
    return st.st_size;
}

void FileServices::Kill(const std::string& path) {
    if (::unlink(path.c_str()) != 0) throw FileError("delete", path, errno);
}

bool FileServices::sameFile(const std::string& a, const std::string& b) {
    struct stat sa {}, sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 &&
           sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace qz
