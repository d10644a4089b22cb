#pragma once
// How a run ended, as the front ends see it, and the boundary that every
// failure of a run crosses as a value: the engine's own errors, a signal, and
// whatever the standard library throws (no thread, no memory) alike, each
// with the reason to tell the user. Nothing a run throws goes further.

#include <functional>
#include <string>

namespace qz {

class RunEnding {
public:
    enum class Kind {
        Completed,
        TooSmall,    // a split into slices of 64 KB or less, refused
        Declined,    // No to replacing slices or to overwriting the output
        Failed,      // nothing written is left
        Unfinished,  // failed, but the merge's output is whole (see Unfinished)
    };

    // Runs body, which says how it ended; whatever it throws ends it Failed
    // (Unfinished for Unfinished) with the reason.
    static RunEnding of(const std::function<Kind()>& body) noexcept;

    Kind kind = Kind::Completed;
    std::string reason;  // what failed and where; empty unless it failed
};

}  // namespace qz
