#include "engine/set/TempName.h"

#include <random>

#include <unicode/utf8.h>

#include "engine/set/Sha256.h"

namespace qz {

namespace {

constexpr const char* kMark = ".qzpart-";
constexpr const char* kLock = ".qzlock";
constexpr const char* kAlphabet = "abcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::size_t kNameMax = 255;  // bytes in one name, on every file system we write
constexpr std::size_t kToken = 8, kCheck = 6;

}  // namespace

std::string TempName::fresh(const std::string& runName) {
    static std::mt19937_64 random{std::random_device{}()};
    std::string token;
    for (std::size_t i = 0; i < kToken; ++i) token += kAlphabet[random() % 36];
    return prefixOf(runName) + token + "-" + checkOf(runName, token);
}

bool TempName::isOf(const std::string& name, const std::string& runName) {
    const std::string prefix = prefixOf(runName);
    if (name.size() != prefix.size() + kToken + 1 + kCheck || name.compare(0, prefix.size(), prefix) != 0 ||
        name[prefix.size() + kToken] != '-')
        return false;
    const std::string token = name.substr(prefix.size(), kToken);
    return name.compare(prefix.size() + kToken + 1, kCheck, checkOf(runName, token)) == 0;
}

std::string TempName::lockOf(const std::string& runName) {
    return "." + cut(runName, kNameMax - 1 - std::char_traits<char>::length(kLock)) + kLock;
}

std::string TempName::prefixOf(const std::string& runName) {
    return "." +
           cut(runName, kNameMax - 1 - std::char_traits<char>::length(kMark) - kToken - 1 - kCheck) +
           kMark;
}

std::string TempName::cut(const std::string& runName, std::size_t keep) {
    if (runName.size() <= keep) return runName;
    // Back over every continuation byte, a stray one too (ICU's
    // U8_SET_CP_START stops at that), so that a name is cut as it always was.
    while (keep > 0 && U8_IS_TRAIL(static_cast<uint8_t>(runName[keep]))) --keep;
    return runName.substr(0, keep);
}

std::string TempName::checkOf(const std::string& runName, const std::string& token) {
    Sha256 sha;
    const std::string text = runName + '/' + token;
    sha.update(text.data(), text.size());
    const std::string hex = sha.hex();
    std::string check;
    for (std::size_t i = 0; i < kCheck; ++i)
        check += kAlphabet[std::stoul(hex.substr(2 * i, 2), nullptr, 16) % 36];
    return check;
}

}  // namespace qz
