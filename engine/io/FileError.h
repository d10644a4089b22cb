#pragma once
// A failed file operation, or a set of files that is not what it must be. The
// engine turns every one of these into its single error path; the text says
// what failed and where, for the command-line tool to print as the reason.

#include <stdexcept>
#include <string>

namespace qz {

class FileError : public std::runtime_error {
public:
    // what: what failed; path: the file it concerned; err: errno, 0 if none.
    FileError(const std::string& what, const std::string& path, int err = 0);

    int code() const { return code_; }  // errno, 0 if none

private:
    int code_;
};

}  // namespace qz
