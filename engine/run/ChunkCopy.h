#pragma once
// The input of a run (the source, or one slice after another) and the copy
// of its bytes into the files being written, chunk by chunk, each chunk a
// step of the progress. Where the file systems allow, the kernel moves the
// bytes; elsewhere, and whenever they are hashed, they pass through memory
// a batch of chunks at a time.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/io/FileHandle.h"

namespace qz {

class OutputFile;
class RunReport;
class HashPipe;

class ChunkCopy {
public:
    // throughBuffer: never ask the kernel to copy, as on file systems that
    // cannot.
    ChunkCopy(RunReport& report, bool throughBuffer);

    // Opens path as the input, at its start; FileError when it is no
    // readable regular file.
    void open(const std::string& path);
    // Takes input, open already, as the input, at its start.
    void open(FileHandle input);
    // Closes the input. It was only read: no failure to close it concerns
    // any data, so none is reported.
    void close() noexcept { input_ = FileHandle(); }
    bool isOpen() const { return input_.isOpen(); }
    const FileHandle& input() const { return input_; }
    std::int64_t length() const { return length_; }
    // Bytes of the input copied so far, whole chunks counted once the pump
    // after them runs.
    std::int64_t position() const { return position_; }

    // Appends the input from position() up to end to out. Every chunk is
    // reported; after each one that is not the input's last, the window may
    // repaint and a signal that arrived ends the run (Interrupted).
    void copyTo(std::int64_t end, OutputFile& out);
    // From now on every byte copied also goes to hasher (none: nullptr). The
    // bytes must then pass through memory, so the kernel copies none.
    void hashInto(HashPipe* hasher) { hasher_ = hasher; }
    // From now on every piece copied also goes to sink, on this thread, once
    // it is written (none: empty); the bytes then pass through memory.
    void alsoTo(std::function<void(const unsigned char*, std::size_t)> sink) {
        sink_ = std::move(sink);
    }

private:
    // Appends batches inside the kernel until end_ or until the kernel
    // stops short, which it then does for the rest of the run.
    void copyInKernel(OutputFile& out);
    // Appends batches through memory until end_: read, hashed when a hasher
    // is given, written.
    void copyThroughMemory(OutputFile& out);
    // The bytes of the next batch: whole chunks, about a megabyte, the
    // last chunk before end_ alone.
    std::size_t nextBatch() const;
    // size more bytes are appended: every chunk they complete is reported.
    void appended(std::size_t size);
    // Past one chunk that ends at position: the pump and a signal's check,
    // unless it was the input's last.
    void passed(std::int64_t position);

    RunReport& report_;
    FileHandle input_;
    std::int64_t length_ = 0;
    std::int64_t position_ = 0;
    std::int64_t copied_ = 0;  // bytes of the input appended so far
    std::int64_t end_ = 0;       // where the copy under way stops
    std::int64_t chunkEnd_ = 0;  // where the next chunk to report ends
    std::vector<unsigned char> buffer_;
    bool kernel_;  // the kernel still copies for this run
    HashPipe* hasher_ = nullptr;
    std::function<void(const unsigned char*, std::size_t)> sink_;
};

}  // namespace qz
