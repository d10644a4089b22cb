#pragma once
// The file-system services beyond an open file that the engine and source
// selection rely on: what stands at a name, sizes, directory listings,
// deleting, renaming and flushing directories. Every failure is a FileError.

#include <cstdint>
#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

#include "engine/io/FileId.h"
#include "engine/io/FileOwner.h"

namespace qz {

class FileServices {
public:
    // What one name leads to.
    struct Entry {
        enum class Kind { Regular, Link, Directory, Other };
        Kind kind = Kind::Other;
        FileId id;
        std::int64_t size = 0;
        unsigned mode = 0;  // permission bits
        FileOwner owner;
    };

    // Whether anything has the name path, a link that leads nowhere included;
    // false too when that cannot be looked at.
    static bool exists(const std::string& path) noexcept;
    // The entry at path itself, a link not followed; nothing when no entry
    // has that name (as the file system resolves names), or none could.
    static std::optional<Entry> entry(const std::string& path);
    // What path leads to, links followed; nothing when it leads nowhere
    // (no entry, or a dangling link).
    static std::optional<Entry> target(const std::string& path);

    // Everything up to and including the last "/" (empty when there is none).
    static std::string directoryOf(const std::string& path);

    // FileError unless path leads to a directory.
    static void requireDirectory(const std::string& path);

    // True when path leads to a regular file (not a directory); false also
    // when it cannot be looked at.
    static bool FileExists(const std::string& path);
    // Size in bytes of the regular file at path; FileError for a missing path,
    // a directory or anything else that is no plain file.
    static std::int64_t GetFileSize(const std::string& path);
    // Whether the kernel's protected links would let us follow the link at
    // path, whether or not they are on here: not when it sits in a sticky
    // folder that everyone may write to and belongs neither to that folder's
    // owner nor to us. Such a link may have been put there by anyone, to
    // make us read a file they may not.
    static bool mayFollow(const std::string& path);
    // Whether the owner of the link at path could read what it leads to
    // themselves (by its permission bits and their groups); true for what is
    // no link, for our own links and root's. Another user's link to what
    // only we may read would have us copy it for them.
    static bool ownerMayRead(const std::string& path);
    // Whether dir is a sticky folder that everyone may write to (/tmp),
    // where only a name's owner may remove or replace what it names.
    static bool sharedSticky(const std::string& dir);
    // The login name of uid, or the number where the system knows none.
    static std::string userName(uid_t uid);
    // True when both paths lead to the same file.
    static bool sameFile(const std::string& a, const std::string& b);
    // The names in dir, "." and ".." left out, in no particular order.
    static std::vector<std::string> listDirectory(const std::string& dir);
    // The same, but none for a folder we may enter and not list: what is
    // looked for there by name is still found.
    static std::vector<std::string> listIfAllowed(const std::string& dir);

    // Deletes the entry at path when it is still the one seen as id (links
    // not followed); anything else there is left and is a FileError.
    static void killIfStill(const std::string& path, const FileId& id);
    // Deletes the entry at path; a missing or undeletable one is a FileError.
    static void Kill(const std::string& path);
    // Deletes the entry at path if it can, for ways out that already failed
    // and have nowhere further to report a second failure; true if it did.
    static bool removeQuietly(const std::string& path) noexcept;
    // Renames from to to; whatever stands at to is replaced in one step.
    static void replace(const std::string& from, const std::string& to);
    // Renames from to to; a FileError when anything stands at to.
    static void renameNoReplace(const std::string& from, const std::string& to);
    // Flushes the directory's entries to its device.
    static void syncDirectory(const std::string& dir);
};

}  // namespace qz
