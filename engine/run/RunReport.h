#pragma once
// What a split or a merge tells the front end that runs it, and asks of it:
// its questions, the steps of its progress and the moments the window may
// repaint. Nothing else of a run reaches the outside.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qz {

class RunReport {
public:
    enum class Question {
        ReplaceSlices,    // slices of the source's name are there already
        OverwriteOutput,  // something stands at the merge's output name
    };

    virtual ~RunReport() = default;

    // Asks the user; true only for a clear consent.
    virtual bool confirm(Question question) = 0;
    // Lets the window run its pending events: once the source is open, and
    // after every chunk that is not an input's last.
    virtual void pump() = 0;
    // Everything is asked and copying begins.
    virtual void copying() = 0;
    // Input number index (0 for the first) of count, of length bytes, is
    // next to copy.
    virtual void startInput(std::size_t index, std::size_t count, std::int64_t length) = 0;
    // One more chunk of the input is appended.
    virtual void chunkAppended() = 0;
    // The input is copied whole.
    virtual void inputDone() = 0;
    // Every file is written, flushed and named.
    virtual void written() = 0;
    // Slices lost or damaged were rebuilt from the set's recovery files and
    // named, these by file name.
    virtual void rebuilt(const std::vector<std::string>& names) { (void)names; }
};

}  // namespace qz
