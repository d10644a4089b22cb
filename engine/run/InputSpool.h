#pragma once
// A split of standard input: the slices' sizes follow from the whole length
// (see SliceSizes), which a pipe tells only at its end, and a check or merge
// holds a set to those sizes. So the stream is first taken whole into a file
// of the run's own in the folder the slices go to, gone with the run whatever
// becomes of it, and split from there like any file.

#include <string>

#include "engine/io/FileHandle.h"

namespace qz {

class RunReport;

class InputSpool {
public:
    // Reads stream to its end into a new file in dir, named for runName's
    // temporaries where it cannot go without a name, and gives that file,
    // open for reading. The window may repaint between pieces; a signal ends
    // it (Interrupted), and a failure is a FileError.
    static FileHandle fill(FileHandle stream, const std::string& dir, const std::string& runName,
                           RunReport& report);
};

}  // namespace qz
