#pragma once
// How fast a run copies and how long it has left, as a terminal shows them
// beside the progress of a long run: "12.5 MiB/s, 1:05 left". The pace is
// that of the whole run so far, from its first chunk on; it is told only
// once a second has passed, when it says something, and changes at most
// twice a second, so that it can be read.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace qzcli {

class TransferPace {
public:
    using Clock = std::chrono::steady_clock;

    // The text for done of total bytes copied at now; empty before a second
    // has passed since the first call, and the last text again until half a
    // second has passed since it was made.
    std::string at(std::int64_t done, std::int64_t total, Clock::time_point now);

    // bytes as the size a person reads: "900 B", "12.5 MiB", in powers of 1024.
    static std::string sizeText(double bytes);
    // seconds as "m:ss", or "h:mm:ss" from an hour on.
    static std::string durationText(std::int64_t seconds);

private:
    struct Sample {
        std::int64_t done;
        Clock::time_point at;
    };

    std::optional<Sample> first_;  // the pace counts from here
    Clock::time_point madeAt_;     // when shown_ was made
    std::string shown_;
};

}  // namespace qzcli
