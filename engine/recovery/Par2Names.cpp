#include "engine/recovery/Par2Names.h"

#include "engine/io/Text.h"

namespace qz {

std::string Par2Names::index(const std::string& setName) { return setName + ".par2"; }

std::string Par2Names::volume(const std::string& setName, std::uint32_t e, std::uint32_t count) {
    std::string first = std::to_string(e);
    const std::size_t width = std::to_string(count).size();
    if (first.size() < width) first.insert(0, width - first.size(), '0');
    return setName + ".vol" + first + "+1.par2";
}

std::vector<std::string> Par2Names::all(const std::string& setName, std::uint32_t count) {
    std::vector<std::string> names{index(setName)};
    for (std::uint32_t e = 0; e < count; ++e) names.push_back(volume(setName, e, count));
    return names;
}

bool Par2Names::mayBelongTo(const std::string& entry, const std::string& setName) {
    static const std::string kSuffix = ".par2";
    return entry.size() >= setName.size() + kSuffix.size() &&
           entry.compare(0, setName.size(), setName) == 0 &&
           entry.compare(entry.size() - kSuffix.size(), kSuffix.size(), kSuffix) == 0 &&
           (entry.size() == setName.size() + kSuffix.size() || entry[setName.size()] == '.');
}

const char* Par2Names::unfit(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return mark("no file can have this name");
    for (unsigned char c : name) {
        if (c == '/' || c == '\\')
            return mark("par2 takes a slash or a backslash in a name for a folder's");
        if (c < 0x20) return mark("par2 changes a control character in a name (a newline, a tab)");
    }
    return nullptr;
}

}  // namespace qz
