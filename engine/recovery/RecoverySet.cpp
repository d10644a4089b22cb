#include "engine/recovery/RecoverySet.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "engine/io/FileError.h"
#include "engine/io/FileHandle.h"
#include "engine/io/Interruption.h"
#include "engine/io/Sys.h"
#include "engine/io/Text.h"
#include "engine/recovery/Galois16.h"
#include "engine/recovery/Par2Names.h"

namespace qz {

namespace {

// The entries of dir that may be PAR2 files of setName.
std::vector<std::string> par2Files(const std::string& dir, const std::string& setName) {
    const std::unique_ptr<DIR, int (*)(DIR*)> folder(Sys::opendir(dir.c_str()), ::closedir);
    if (!folder) throw FileError(tr("cannot read the folder"), dir, errno);
    std::vector<std::string> found;
    while (const dirent* entry = Sys::readdir(folder.get()))
        if (Par2Names::mayBelongTo(entry->d_name, setName)) found.push_back(dir + entry->d_name);
    if (errno != 0) throw FileError(tr("cannot read the folder"), dir, errno);
    return found;
}

// Whether every file the main packet names is described.
bool described(const Par2Reader::Set& set) {
    if (!set.main) return false;
    for (const auto& id : set.main->fileIds)
        if (!set.files.count(id)) return false;
    return true;
}

// How well a set fits the files in dir: the slices it names that stand
// there with their length, then its recovery blocks.
std::pair<std::size_t, std::size_t> fit(const Par2Reader::Set& set, const std::string& dir) {
    std::size_t present = 0;
    for (const auto& [id, file] : set.files) {
        struct stat st {};
        if (Sys::stat((dir + file.name).c_str(), &st) == 0 &&
            static_cast<std::uint64_t>(st.st_size) == file.length)
            ++present;
    }
    return {present, set.blocks.size()};
}

}  // namespace

RecoverySet RecoverySet::readIndex(const std::string& path) {
    const std::size_t cut = path.rfind('/') + 1;  // 0 when there is no folder
    const std::string name = path.substr(cut);
    static const std::string kSuffix = ".par2";
    if (name.size() <= kSuffix.size() || name.compare(name.size() - kSuffix.size(), kSuffix.size(), kSuffix) != 0)
        throw FileError(tr("not the name of a PAR2 index file"), path);
    return read(cut == 0 ? "./" : path.substr(0, cut), name.substr(0, name.size() - kSuffix.size()));
}

RecoverySet RecoverySet::read(const std::string& dir, const std::string& setName) {
    const std::string index = dir + Par2Names::index(setName);
    Par2Reader reader;
    for (const std::string& path : par2Files(dir, setName)) reader.read(path);
    const Par2Reader::Set* best = nullptr;
    std::pair<std::size_t, std::size_t> bestFit{};
    bool anyMain = false;
    for (const auto& [id, set] : reader.sets()) {
        anyMain = anyMain || set.main.has_value();
        if (!described(set)) continue;
        const auto setFit = fit(set, dir);
        if (!best || setFit > bestFit) best = &set, bestFit = setFit;
    }
    if (!best)
        throw FileError(anyMain ? tr("the PAR2 files of this set lost the description of some slice in every copy")
                                : tr("no intact PAR2 description of this set"),
                        index);
    RecoverySet result;
    result.dir_ = dir;
    result.adopt(*best, index);
    return result;
}

void RecoverySet::adopt(const Par2Reader::Set& set, const std::string& indexPath) {
    blockSize_ = static_cast<std::int64_t>(set.main->blockSize);
    if (set.main->fileIds.size() > Galois16::kMaxInputs)
        throw FileError(tr("these PAR2 files describe more files than PAR2 allows"), indexPath);
    for (const auto& id : set.main->fileIds) {
        const Par2Packet::File& file = set.files.at(id);
        if (file.length == 0 || file.length > set.main->blockSize)
            throw FileError(tr("these PAR2 files cut slices into several blocks each, which only "
                               "par2 itself can piece together: use par2 repair"),
                            indexPath);
        if (const char* reason = Par2Names::unfit(file.name)) throw FileError(tr(reason), dir_ + file.name);
        slices_.push_back({file.name, static_cast<std::int64_t>(file.length), file.md5,
                           Galois16::inputConstant(slices_.size())});
    }
    for (const auto& [exponent, block] : set.blocks)
        if (block.length == blockSize_) blocks_.push_back(block);
}

void RecoverySet::examine(const std::function<void()>& between) {
    for (Slice& slice : slices_) {
        const std::string path = dir_ + slice.name;
        FileHandle file;
        try {
            file = FileHandle::openRead(path);
        } catch (const FileError& e) {
            if (e.code() != ENOENT) throw;
            slice.state = State::Lost;
            continue;
        }
        if (file.length() != slice.length) {
            slice.state = State::Damaged;
            continue;
        }
        Md5 md5;
        std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::min<std::int64_t>(slice.length, 1 << 20)));
        for (std::int64_t at = 0; at < slice.length; at += static_cast<std::int64_t>(buffer.size())) {
            const auto piece = static_cast<std::size_t>(
                std::min<std::int64_t>(slice.length - at, static_cast<std::int64_t>(buffer.size())));
            file.readAt(at, buffer.data(), piece);
            md5.update(buffer.data(), piece);
            if (between) between();
            Interruption::check();
        }
        slice.state = md5.digest() == slice.md5 ? State::Intact : State::Damaged;
    }
}

std::vector<std::size_t> RecoverySet::unusable() const {
    std::vector<std::size_t> found;
    for (std::size_t i = 0; i < slices_.size(); ++i)
        if (slices_[i].state == State::Damaged || slices_[i].state == State::Lost) found.push_back(i);
    return found;
}

}  // namespace qz
