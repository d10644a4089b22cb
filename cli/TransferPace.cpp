#include "cli/TransferPace.h"

#include <cstdio>

#include "engine/io/Text.h"

namespace qzcli {

namespace {

using std::chrono::duration;
using std::chrono::milliseconds;
using std::chrono::seconds;

// Under a second the rate is the noise of the first chunks and buffers.
constexpr milliseconds kFirstAfter = seconds(1);
// A figure redrawn at every chunk could not be read.
constexpr milliseconds kRedrawAfter = milliseconds(500);

}  // namespace

std::string TransferPace::at(std::int64_t done, std::int64_t total, Clock::time_point now) {
    if (!first_) first_ = Sample{done, now};
    const Clock::duration elapsed = now - first_->at;
    if (elapsed < kFirstAfter || done <= first_->done) return {};
    if (!shown_.empty() && now - madeAt_ < kRedrawAfter) return shown_;
    const double perSecond =
        static_cast<double>(done - first_->done) / duration<double>(elapsed).count();
    const auto left = static_cast<std::int64_t>(
        static_cast<double>(total > done ? total - done : 0) / perSecond + 0.5);
    shown_ = qz::tr("%1/s, %2 left", {sizeText(perSecond), durationText(left)});
    madeAt_ = now;
    return shown_;
}

std::string TransferPace::sizeText(double bytes) {
    static const char* const kUnits[] = {"B", "KiB", "MiB", "GiB", "TiB"};
    std::size_t unit = 0;
    while (bytes >= 1024 && unit + 1 < std::size(kUnits)) {
        bytes /= 1024;
        ++unit;
    }
    char text[32];
    // Whole bytes, and one decimal for the larger units.
    const int n = std::snprintf(text, sizeof text, unit == 0 ? "%.0f %s" : "%.1f %s", bytes,
                                kUnits[unit]);
    return n > 0 ? std::string(text) : std::string();
}

std::string TransferPace::durationText(std::int64_t seconds) {
    char text[32];
    const std::int64_t h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
    const int n = h > 0 ? std::snprintf(text, sizeof text, "%lld:%02lld:%02lld",
                                        static_cast<long long>(h), static_cast<long long>(m),
                                        static_cast<long long>(s))
                        : std::snprintf(text, sizeof text, "%lld:%02lld",
                                        static_cast<long long>(m), static_cast<long long>(s));
    return n > 0 ? std::string(text) : std::string();
}

}  // namespace qzcli
