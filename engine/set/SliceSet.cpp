#include "engine/set/SliceSet.h"

#include <algorithm>
#include <cerrno>
#include <map>
#include <set>

#include "engine/io/FileError.h"
#include "engine/io/FileServices.h"
#include "engine/set/SliceNames.h"
#include "engine/set/SliceSizes.h"
#include "engine/io/Sys.h"
#include "engine/io/Text.h"

namespace qz {

namespace {

using Kind = FileServices::Entry::Kind;

constexpr unsigned long kMostSlices = 999;

std::string listable(const std::string& dir) { return dir.empty() ? "." : dir; }

}  // namespace

SliceSet SliceSet::check(const std::string& first) {
    const std::string bare = SliceNames::bareName(first);
    if (bare.size() <= 4 || !bare.ends_with(".QZ1"))
        throw FileError(tr("not a first slice: the name must end in .QZ1"),
                        first);
    const std::string dir = FileServices::directoryOf(first);
    const std::string stem = bare.substr(0, bare.size() - 4);
    // Every slice stays open: a set of 999 must not run out of descriptors.
    if (Sys::allowOpenFiles(kMostSlices + 64) != 0)
        throw FileError(tr("cannot keep the slices open"), first, errno);
    SliceSet set;
    set.dir_ = listable(dir);
    set.probe(first, dir, stem);
    const auto names = FileServices::listDirectory(set.dir_);
    set.checkNames(dir, stem, names);
    set.checkSums(dir, stem, names);
    set.checkSizes();
    return set;
}

void SliceSet::probe(const std::string& first, const std::string& dir, const std::string& stem) {
    for (long k = 1;; ++k) {
        const std::string path = k == 1 ? first : SliceNames::slicePath(dir, stem, k);
        const auto entry = FileServices::entry(path);
        if (!entry) {
            if (k == 1) throw FileError(tr("no first slice"), path, ENOENT);
            return;
        }
        if (entry->kind == Kind::Link && !FileServices::mayFollow(path))
            throw FileError(tr("the slice is a link of another user in a sticky folder that everyone "
                               "may write to, not followed"),
                            path);
        if (entry->kind == Kind::Link && !FileServices::ownerMayRead(path))
            throw FileError(tr("the slice is a link of another user to what they may not read, "
                               "not followed"),
                            path);
        const auto data = FileServices::target(path);
        if (!data) throw FileError(tr("the slice is a dangling link"), path);
        if (data->kind != Kind::Regular)
            throw FileError(tr("the slice is not a plain file"), path);
        auto file = std::make_shared<const FileHandle>(FileHandle::openRead(path));
        Slice slice{path, entry->id, file->identity(), file->length(), file->mode(), data->owner, file,
                    file->changeTime()};
        if (slice.data != data->id)
            throw FileError(tr("the slice changed while it was checked"), path);
        if (slice.size == 0) throw FileError(tr("the slice is empty"), path);
        slices_.push_back(std::move(slice));
    }
}

std::map<long, std::string> SliceSet::named(const std::string& dir, const std::string& stem,
                                            const std::vector<std::string>& entries) {
    const std::set<std::string> listed(entries.begin(), entries.end());
    std::map<long, std::string> found;
    for (const std::string& entry : entries) {
        const long k = SliceNames::trailingIndex(entry);
        if (k == 0) continue;
        const std::string own = SliceNames::slicePath(dir, stem, k);
        const std::string ownName = SliceNames::bareName(own);
        if (entry == ownName) {
            found.emplace(k, entry);
            continue;
        }
        // Another spelling of the set's name is the set's only on a volume
        // that folds case: there the set's own name is no entry of its own,
        // yet resolves, and so to this one.
        if (SliceNames::foldCase(entry) == SliceNames::foldCase(ownName) &&
            !listed.contains(ownName) && FileServices::entry(own))
            found.emplace(k, entry);
    }
    return found;
}

void SliceSet::checkNames(const std::string& dir, const std::string& stem,
                          const std::vector<std::string>& names) const {
    const long n = static_cast<long>(slices_.size());
    for (const auto& [k, entry] : named(dir, stem, names))
        if (k > n)
            throw FileError(tr("a gap in the set: there is no slice %1, yet there is",
                               {std::to_string(n + 1)}),
                            dir + entry);
}

void SliceSet::checkSizes() const {
    total();  // no set of more bytes than a file can have
    // Slices before the last are whole chunks: one that is not is the one
    // that was cut short or swapped in, whatever the sizes say of the rest.
    for (std::size_t k = 0; k + 1 < slices_.size(); ++k)
        if (slices_[k].size % SliceSizes::kChunk != 0)
            throw FileError(tr("slice %1 has %2 bytes, not a whole number of 65535-byte chunks",
                               {std::to_string(k + 1), std::to_string(slices_[k].size)}),
                            slices_[k].path);
    // The slices before the last as a split makes them: the last is the one
    // that was cut short or grew.
    std::vector<std::int64_t> before;
    for (std::size_t k = 0; k + 1 < slices_.size(); ++k) before.push_back(slices_[k].size);
    const Slice& last = slices_.back();
    if (const auto range = SliceSizes::lastSizes(before);
        range && (last.size < range->first || last.size > range->second))
        throw FileError(tr("slice %1 has %2 bytes where the slices before it make %3 to %4",
                           {std::to_string(slices_.size()), std::to_string(last.size),
                            std::to_string(range->first), std::to_string(range->second)}),
                        last.path);
    const auto want = SliceSizes::sizesFor(total(), static_cast<std::int64_t>(slices_.size()));
    for (std::size_t k = 0; k < slices_.size(); ++k) {
        if (slices_[k].size == want[k]) continue;
        throw FileError(tr("slice %1 has %2 bytes where a split of %3 bytes into %4 makes %5",
                           {std::to_string(k + 1), std::to_string(slices_[k].size),
                            std::to_string(total()), std::to_string(slices_.size()),
                            std::to_string(want[k])}),
                        slices_[k].path);
    }
}

std::vector<SliceSet::Slice> SliceSet::taken(
    const std::string& dir, const std::string& name, long n,
    const std::function<bool(const std::string&)>& belongs) {
    std::set<long> indices;
    for (long k = 1; k <= n; ++k) indices.insert(k);
    const auto listed = FileServices::listIfAllowed(listable(dir));
    for (const auto& [k, entry] : named(dir, name, listed)) indices.insert(k);
    const auto others = static_cast<std::size_t>(std::count_if(listed.begin(), listed.end(), belongs));
    // Each entry found stays held, beside the n slices to be written.
    if (Sys::allowOpenFiles(2 * (indices.size() + others) + 64) != 0)
        throw FileError(tr("cannot keep the slices open"), dir, errno);
    std::vector<Slice> found;
    for (const long k : indices) {
        const std::string path = SliceNames::slicePath(dir, name, k);
        const auto e = FileServices::entry(path);
        if (!e) continue;
        if (e->kind == Kind::Regular || e->kind == Kind::Link)
            found.push_back(held(path, *e));
        else if (k <= n)
            throw FileError(tr("not a plain file, cannot be replaced"), path);
    }
    const std::string sums = SumsFile::pathFor(dir, name);
    if (const auto e = FileServices::entry(sums)) {
        if (e->kind != Kind::Regular && e->kind != Kind::Link)
            throw FileError(tr("not a plain file, cannot be replaced"), sums);
        found.push_back(held(sums, *e));
    }
    for (Slice& other : belonging(dir, listed, belongs)) found.push_back(std::move(other));
    return found;
}

std::vector<SliceSet::Slice> SliceSet::belonging(
    const std::string& dir, const std::vector<std::string>& names,
    const std::function<bool(const std::string&)>& belongs) {
    std::vector<Slice> found;
    for (const std::string& name : names)
        if (belongs(name))
            if (const auto e = FileServices::entry(dir + name);
                e && (e->kind == Kind::Regular || e->kind == Kind::Link))
                found.push_back(held(dir + name, *e));
    return found;
}

SliceSet::Slice SliceSet::held(const std::string& path, const FileServices::Entry& e) {
    auto file = std::make_shared<const FileHandle>(FileHandle::pin(path));
    if (file->identity() != e.id)
        throw FileError(tr("changed since it was checked, not deleted"), path);
    return {path, e.id, {}, e.size, e.mode, e.owner, std::move(file), 0};
}

void SliceSet::checkSums(const std::string& dir, const std::string& stem,
                         const std::vector<std::string>& names) {
    sums_ = SumsFile::find(dir, stem, names);
    if (!sums_) return;
    std::vector<std::pair<std::string, std::int64_t>> held;
    for (const Slice& s : slices_) held.emplace_back(s.path, s.size);
    sums_->hold(held);
}

void SliceSet::requireUnchanged(const Slice& slice) {
    const auto now = FileServices::target(slice.path);
    if (!now || now->id != slice.data || slice.file->length() != slice.size ||
        slice.file->changeTime() != slice.changed)
        throw FileError(tr("the slice changed after the check"), slice.path);
}

std::int64_t SliceSet::total() const {
    std::int64_t sum = 0;
    for (const Slice& s : slices_)
        if (__builtin_add_overflow(sum, s.size, &sum))
            throw FileError(tr("the slices hold more bytes than a file can"), s.path);
    return sum;
}

}  // namespace qz
