#include "engine/set/DroppedName.h"

#include "engine/io/FileServices.h"
#include "engine/set/SliceNames.h"

namespace qz {

namespace {

// True when T ends in "QZ" followed by exactly one character.
bool endsInQzAndOneCharacter(const std::string& T) {
    const std::size_t n = SliceNames::characterCount(T);
    if (n < 3) return false;
    const std::string before = SliceNames::firstCharacters(T, n - 1);
    return before.compare(before.size() - 2, 2, "QZ") == 0;
}

bool endsInQz1(const std::string& T) {
    return T.size() >= 3 && T.compare(T.size() - 3, 3, "QZ1") == 0;
}

}  // namespace

std::string DroppedName::trimmed(const std::string& path) {
    const std::size_t first = path.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return path.substr(first, path.find_last_not_of(' ') - first + 1);
}

std::string DroppedName::path(const std::string& given) {
    return FileServices::exists(given) ? given : trimmed(given);
}

DroppedName::Choice DroppedName::choose(bool mergeSelected, const std::string& T) {
    if (endsInQz1(T)) return Choice::Merge;
    if (mergeSelected && endsInQzAndOneCharacter(T)) return Choice::Refused;
    return Choice::Split;
}

}  // namespace qz
