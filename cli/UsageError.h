#pragma once
// A command line that asks for nothing this tool can do; the text says why,
// in Chinese and English, and the tool exits with status 2.

#include <stdexcept>
#include <string>

namespace qzcli {

class UsageError : public std::runtime_error {
public:
    explicit UsageError(const std::string& why) : std::runtime_error(why) {}
};

}  // namespace qzcli
