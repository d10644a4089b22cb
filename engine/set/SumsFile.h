#pragma once
// NAME.QZ.sha256, the record a split leaves beside its slices: GNU
// sha256sum's format, one line per slice in index order, so that
// "sha256sum -c" checks a set without this program; before the lines,
// comments ("#", which sha256sum skips) with the format's version, the
// source's name, size and slice count, and how to check and join the set by
// hand. Its name ends in no ".QZ" and digits, so it is never taken for a
// slice.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/io/FileId.h"

namespace qz {

class FileHandle;

class SumsFile {
public:
    static constexpr int kVersion = 1;

    struct Line {
        std::string name;    // the slice's file name, no folder
        std::string digest;  // 64 lower-case hex digits
    };

    // source: the bare name the slices are named after; size: its bytes;
    // recovery: the recovery blocks in the set's PAR2 files, which the
    // header then names with the command that repairs the set.
    SumsFile(std::string source, std::int64_t size, std::vector<Line> lines,
             std::uint32_t recovery = 0);

    // dir (ending in "/", or empty) + stem + ".QZ.sha256".
    static std::string pathFor(const std::string& dir, const std::string& stem);
    // The sums file of the slices stem in dir, whose entries are names,
    // read; nothing when no entry has its name. FileError when it is there
    // but unreadable, malformed, of another version, or its name is in
    // another case.
    static std::optional<SumsFile> find(const std::string& dir, const std::string& stem,
                                        const std::vector<std::string>& names);
    // The sums file in text, read from path; FileError naming what is wrong.
    static SumsFile parse(const std::string& text, const std::string& path);

    // FileError unless slices (path and size, in index order) are the ones
    // listed: their count, names and the sizes a split of size bytes into
    // that many slices makes. Reads no slice data.
    void hold(const std::vector<std::pair<std::string, std::int64_t>>& slices) const;
    // FileError unless digest is the one listed for slice index (0-based) at path.
    void holdDigest(std::size_t index, const std::string& path, const std::string& digest) const;

    // The whole file as it is written.
    std::string text() const;
    // Appends the file's text to out, the file that is to become it.
    void writeTo(FileHandle& out) const;

    const std::vector<Line>& lines() const { return lines_; }
    // Where it was found, and the entry found there; empty for one not read.
    const std::string& path() const { return path_; }
    const FileId& entry() const { return entry_; }

private:
    std::string source_;
    std::int64_t size_ = 0;
    std::vector<Line> lines_;
    std::uint32_t recovery_ = 0;
    std::string path_;
    FileId entry_;
    // Kept open from reading to deleting, as the slices are: a volume that
    // numbers its files anew when it forgets them (FUSE ones, after their
    // caches are dropped) keeps the number of one that is open.
    std::shared_ptr<const FileHandle> file_;
};

}  // namespace qz
