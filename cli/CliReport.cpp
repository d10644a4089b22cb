#include "cli/CliReport.h"

#include <algorithm>

#include "cli/CliTerminal.h"
#include "engine/ProgressBar.h"
#include "engine/set/SliceSizes.h"
#include "engine/io/Text.h"

namespace qzcli {

bool CliReport::confirm(Question question) {
    return terminal_.ask(question == Question::ReplaceSlices
                             ? qz::tr("Slices of this file exist already; replace them?")
                             : qz::tr("The file exists already; overwrite it?"));
}

void CliReport::startInput(std::size_t index, std::size_t count, std::int64_t length) {
    if (!split_) terminal_.joining(index, count);
    step_ = qz::ProgressBar::stepFor(length);
    length_ = length;
    copied_ = 0;
    total_ = before_ + length * static_cast<std::int64_t>(count - index);
}

void CliReport::chunkAppended() {
    done_ += step_;
    copied_ = std::min(copied_ + qz::SliceSizes::kChunk, length_);
    // As the window reads its bar's width back: a float.
    terminal_.progress(qz::ProgressBar::percentOf(static_cast<float>(done_)), before_ + copied_,
                       total_);
}

void CliReport::inputDone() {
    done_ = 0;
    before_ += length_;
}

void CliReport::written() { terminal_.progress(split_ ? "完成" : "100%"); }

void CliReport::rebuilt(const std::vector<std::string>& names) {
    std::string list;
    for (const std::string& name : names) list += (list.empty() ? "" : " ") + name;
    terminal_.completed(qz::tr("rebuilt from the recovery files: %1", {list}));
}

}  // namespace qzcli
