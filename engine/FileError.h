#pragma once
// A failed file operation. The engine turns every one of these into its single
// error path; the text is for logs and debuggers, never shown to the user.

#include <stdexcept>
#include <string>

namespace qz {

class FileError : public std::runtime_error {
public:
    // what: the operation; path: the file it concerned; err: errno, 0 if none.
    FileError(const std::string& what, const std::string& path, int err = 0);
};

}  // namespace qz
