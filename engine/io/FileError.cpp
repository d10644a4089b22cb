#include "engine/io/FileError.h"

#include <cstring>

namespace qz {

namespace {
std::string describe(const std::string& what, const std::string& path, int err) {
    std::string text = what + ": " + path;
    if (err != 0) text += ": " + std::string(std::strerror(err));
    return text;
}
}  // namespace

FileError::FileError(const std::string& what, const std::string& path, int err)
    : std::runtime_error(describe(what, path, err)), code_(err) {}

}  // namespace qz
