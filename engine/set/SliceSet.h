#pragma once
// The slices of one source in one directory, as the file system resolves
// their names: the whole set a merge may join (checked before anything is
// asked, written or deleted) and the existing slices a split would replace.

#include <cstdint>
#include <map>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/io/FileHandle.h"
#include "engine/io/FileServices.h"
#include "engine/io/FileId.h"
#include "engine/io/FileOwner.h"
#include "engine/set/SumsFile.h"

namespace qz {

class SliceSet {
public:
    struct Slice {
        std::string path;
        FileId entry;           // the directory entry (a link itself, not its target)
        FileId data;            // the file its name leads to
        std::int64_t size = 0;  // of that file
        unsigned mode = 0;      // its permission bits
        FileOwner owner;        // and its owner
        // A checked slice, held open from the check on: its inode cannot go
        // to another file while the set lives, so the name still leading to
        // it proves it is the file checked. In the list of taken(), the entry
        // held by FileHandle::pin, for the same proof.
        std::shared_ptr<const FileHandle> file;
        std::int64_t changed = 0;  // its ctime at the check
    };

    // The set whose first slice is first, checked whole: first's name ends
    // in ".QZ1"; slices 2, 3, ... follow by constructed name up to the first
    // index nothing answers to, each a non-empty regular file and none a
    // link that protected links refuse (see FileServices); no other entry
    // of the directory has a slice name of the set in another case or beyond
    // that index; and the sizes are those a split of their sum into that
    // many slices makes. When the set's sums file is there, the set is also
    // held against it (count, names, sizes; no slice data is read). A
    // FileError naming the check that failed otherwise.
    static SliceSet check(const std::string& first);

    // The entries a split of name into n slices in dir would replace: those
    // at the names it writes (NAME.QZ1 to NAME.QZn), and any other slice name
    // of name that the file system resolves, as regular files or links. A
    // FileError when something that is not a file stands at a name it writes.
    // The sums file of name counts among them, and every other entry of dir
    // that belongs (its recovery files). Each is held (see file) until the
    // list goes.
    static std::vector<Slice> taken(const std::string& dir, const std::string& name, long n,
                                    const std::function<bool(const std::string&)>& belongs);
    // The regular files and links among names, entries of dir, that
    // belongs takes, each held (see file) until the list goes.
    static std::vector<Slice> belonging(const std::string& dir,
                                        const std::vector<std::string>& names,
                                        const std::function<bool(const std::string&)>& belongs);

    const std::vector<Slice>& slices() const { return slices_; }
    // FileError unless slice is as the check saw it: the same size and
    // change time, and its name still leading to it.
    static void requireUnchanged(const Slice& slice);
    // The directory that holds the set ("." for names without one).
    const std::string& directory() const { return dir_; }
    std::int64_t total() const;
    // The set's sums file, as read by check(); nothing when it has none.
    const std::optional<SumsFile>& sums() const { return sums_; }

private:
    // The entry e at path, held by FileHandle::pin; FileError when the name
    // has gone to another file since e was looked at.
    static Slice held(const std::string& path, const FileServices::Entry& e);
    // Slice 1, 2, ... up to the first index that nothing answers to.
    void probe(const std::string& first, const std::string& dir, const std::string& stem);
    // No stray names beside the set among the entries of dir: none beyond
    // its end, in any spelling the volume resolves to the set's names.
    void checkNames(const std::string& dir, const std::string& stem,
                    const std::vector<std::string>& names) const;
    // The entries of dir that are slice names of stem's set, by index: as
    // written, or spelled otherwise where the volume resolves them to it.
    static std::map<long, std::string> named(const std::string& dir, const std::string& stem,
                                             const std::vector<std::string>& entries);
    void checkSizes() const;

    // Reads the sums file beside the set, if any among the entries of dir,
    // and holds the set to it.
    void checkSums(const std::string& dir, const std::string& stem,
                   const std::vector<std::string>& names);

    std::vector<Slice> slices_;
    std::string dir_;
    std::optional<SumsFile> sums_;
};

}  // namespace qz
