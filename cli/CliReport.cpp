#include "cli/CliReport.h"

#include <cmath>
#include <string>

#include "cli/CliTerminal.h"
#include "engine/io/Text.h"
#include "engine/set/SliceSizes.h"

namespace qzcli {

namespace {

// The width of the window's full bar, in which it counts its steps.
constexpr double kFullWidth = 1800.0;

}  // namespace

bool CliReport::confirm(Question question) {
    return terminal_.ask(question == Question::ReplaceSlices
                             ? qz::tr("Slices of this file exist already; replace them?")
                             : qz::tr("The file exists already; overwrite it?"));
}

void CliReport::startInput(std::size_t index, std::size_t count, std::int64_t length) {
    if (!split_) terminal_.joining(index, count);
    step_ = kFullWidth / (static_cast<double>(length) / qz::SliceSizes::kChunk);
}

void CliReport::chunkAppended() {
    done_ += step_;
    // As the window reads its bar's width back: a float.
    const auto p = static_cast<long long>(std::floor(static_cast<float>(done_) / kFullWidth * 100));
    terminal_.progress(p > 100 ? std::string("100%") : std::to_string(p) + "%");
}

void CliReport::written() { terminal_.progress(split_ ? "完成" : "100%"); }

}  // namespace qzcli
