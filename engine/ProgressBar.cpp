#include "engine/ProgressBar.h"

#include <cmath>

#include "engine/Host.h"
#include "engine/set/SliceSizes.h"

namespace qz {

ProgressBar::ProgressBar(Host& host) : host_(host) {}

void ProgressBar::setStepFor(std::int64_t len) {
    StepWidth_ = kFullWidth / (static_cast<double>(len) / SliceSizes::kChunk);
}

void ProgressBar::advance() {
    DoneWidth_ += StepWidth_;
    host_.setLabel6Width(static_cast<float>(DoneWidth_));
    const auto p = static_cast<long long>(std::floor(host_.Label6Width() / kFullWidth * 100));
    host_.setLabel7(p > 100 ? std::string("100%") : std::to_string(p) + "%");
}

void ProgressBar::showFull(const std::string& text) {
    host_.setLabel6Width(host_.Picture1InnerWidth());
    host_.setLabel7(text);
}

}  // namespace qz
