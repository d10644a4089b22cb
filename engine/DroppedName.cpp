#include "DroppedName.h"

namespace qz {

namespace {

bool isContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// True when T ends in "QZ" followed by exactly one character.
bool endsInQzAndOneCharacter(const std::string& T) {
    std::size_t last = T.size();
    do {
        if (last == 0) return false;
        --last;
    } while (isContinuationByte(T[last]));
    return last >= 2 && T.compare(last - 2, 2, "QZ") == 0;
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

DroppedName::Choice DroppedName::choose(bool mergeSelected, const std::string& T) {
    if (endsInQz1(T)) return Choice::Merge;
    if (mergeSelected && endsInQzAndOneCharacter(T)) return Choice::Refused;
    return Choice::Split;
}

}  // namespace qz
