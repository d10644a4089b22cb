#pragma once
// A file being written that takes its final name only when it is whole and
// flushed. Until then it has no name at all where the file system allows
// that, otherwise a hidden temporary name in the same directory that no
// listing takes for a slice or an output (see TempName), locked for as long
// as its run lives. Dropped before it takes its final name, it is removed;
// one that a killed run left behind is removed by the next run of the same
// name in that directory.

#include <string>
#include <vector>

#include "engine/io/FileHandle.h"
#include "engine/io/FileId.h"

namespace qz {

class OutputFile {
public:
    // Starts the file that is to become finalPath, in finalPath's directory,
    // with the permission bits mode less the umask. runName names the
    // temporaries of the run (the source's bare name for a split's slices,
    // the output's for a merge); unnamed allows a file without a name.
    OutputFile(const std::string& finalPath, const std::string& runName, unsigned mode,
               bool unnamed);
    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&&) = delete;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    // Removes the file unless it took its final name.
    ~OutputFile();

    FileHandle& file() { return file_; }
    // Run as root, gives the file to owner, as cp -p does: root splitting or
    // joining someone's file leaves the result theirs, not root's, which
    // they could no longer read. Others cannot give files away; nor can a
    // root that may not (see FileHandle::giveTo), whose files stay its own.
    void keepOwner(const FileOwner& owner);
    const std::string& finalPath() const { return finalPath_; }

    // Flushes what was written to the device.
    void flush();
    // Flushes every one of files, several at once: a journalling file
    // system then commits them together, not one commit each.
    static void flushAll(const std::vector<OutputFile*>& files);
    // Flushes the file (unless flushed) and gives it its final name. Until
    // then a whole file waits open and locked, without a name where it never
    // had one, so that a run killed meanwhile leaves nothing there. With
    // replace, whatever stands there is replaced in one step; without, that
    // is a FileError and nothing is replaced.
    void commit(bool replace);
    // Deletes the file from its final name again, if that still names it;
    // for the error path, which has nowhere further to report a failure.
    void retract() noexcept;

    // Removes what runs of runName in dir left behind when they were killed:
    // temporaries whose names prove them a run's, that no run holds locked;
    // what cannot be removed (another user's) is left. The caller holds the
    // RunLock of runName in dir.
    static void removeStale(const std::string& dir, const std::string& runName);

private:
    // Gives the unnamed file a fresh hidden name.
    void nameHidden();
    // Removes the temporary at path if its run is gone.
    static void removeIfStale(const std::string& path);
    // A fresh hidden name for this run, as a full path.
    std::string hiddenPath() const;

    std::string finalPath_, dir_, runName_;
    std::string tempPath_;  // the hidden name; empty while the file has none
    FileHandle file_;
    FileId id_;
    bool flushed_ = false, committed_ = false;
};

}  // namespace qz
