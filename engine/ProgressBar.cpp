#include "engine/ProgressBar.h"

#include <cmath>

#include "engine/Host.h"
#include "engine/set/SliceSizes.h"

namespace qz {

ProgressBar::ProgressBar(Host& host) : host_(host) {}

double ProgressBar::stepFor(std::int64_t len) {
    return kFullWidth / (static_cast<double>(len) / SliceSizes::kChunk);
}

std::string ProgressBar::percentOf(float width) {
    const auto p = static_cast<long long>(std::floor(width / kFullWidth * 100));
    return p > 100 ? std::string("100%") : std::to_string(p) + "%";
}

void ProgressBar::advance() {
    DoneWidth_ += StepWidth_;
    host_.setLabel6Width(static_cast<float>(DoneWidth_));
    host_.setLabel7(percentOf(host_.Label6Width()));
}

void ProgressBar::showFull(const std::string& text) {
    host_.setLabel6Width(host_.Picture1InnerWidth());
    host_.setLabel7(text);
}

}  // namespace qz
