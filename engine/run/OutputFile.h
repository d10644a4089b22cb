#pragma once
// A file being written that takes its final name only when it is whole and
// flushed. Until then it has no name at all where the file system allows
// that, otherwise a hidden temporary name in the same directory that no
// listing takes for a slice or an output (see TempName), locked for as long
// as its run lives. What becomes of it when its run fails is for the run's
// outputs to say (see RunOutputs); one that a killed run left behind is
// removed by the next run of the same name in that directory.

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/io/FileHandle.h"
#include "engine/io/FileId.h"

namespace qz {

class Worker;

class OutputFile {
public:
    // Starts the file that is to become finalPath, in finalPath's directory,
    // with the permission bits mode less the umask. runName names the
    // temporaries of the run (the source's bare name for a split's slices,
    // the output's for a merge); unnamed allows a file without a name. The
    // write-back of what piles up is started on worker, which must be idle
    // before the file goes.
    OutputFile(const std::string& finalPath, const std::string& runName, unsigned mode,
               bool unnamed, Worker& worker);
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    FileHandle& file() { return file_; }
    // Writes all size bytes at the file's end.
    void append(const void* buf, std::size_t size);
    // Appends up to size bytes of input from offset inside the kernel, and
    // says how many (see FileHandle::appendFrom).
    std::size_t appendFrom(const FileHandle& input, std::int64_t offset, std::size_t size);
    // Run as root, gives the file to owner, as cp -p does: root splitting or
    // joining someone's file leaves the result theirs, not root's, which
    // they could no longer read. Others cannot give files away; nor can a
    // root that may not (see FileHandle::giveTo), whose files stay its own.
    void keepOwner(const FileOwner& owner);
    const std::string& finalPath() const { return finalPath_; }

    // Flushes what was written to the device.
    void flush();
    // Flushes the file (unless flushed) and gives it its final name. Until
    // then a whole file waits open and locked, without a name where it never
    // had one, so that a run killed meanwhile leaves nothing there. With
    // replace, whatever stands there is replaced in one step; without, that
    // is a FileError and nothing is replaced.
    void commit(bool replace);
    // Undoes the file: its final name taken back if that still names it,
    // else its temporary name removed; for the error path, which has nowhere
    // further to report a failure. What cannot be removed now is removed by
    // the next run of this name.
    void discard() noexcept;

    // Removes what runs of runName in dir left behind when they were killed:
    // temporaries whose names prove them a run's, that no run holds locked;
    // what cannot be removed (another user's) is left. The caller holds the
    // RunLock of runName in dir.
    static void removeStale(const std::string& dir, const std::string& runName);

private:
    // Starts the write-back of what piled up since the last start, on the
    // worker: the device then writes while the copy goes on, and the flush
    // at the end has little left to wait for.
    void writeBehind();
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
    Worker& worker_;
    std::int64_t behind_ = 0;  // bytes whose write-back was started
    bool flushed_ = false, committed_ = false;
};

}  // namespace qz
