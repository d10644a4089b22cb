#pragma once
// A run that failed after its point of no return: what it wrote is whole
// and named, flushed or not, and a later step (the folder's flush, deleting
// the slices) failed, or a signal came. The text says exactly where the
// output is and which slices were and were not deleted, so that nobody
// cleans up the only joined copy.

#include <stdexcept>
#include <string>

namespace qz {

class Unfinished : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace qz
