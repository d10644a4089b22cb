#pragma once
// The progress model of the window: the bar Label6 grows by StepWidth twips
// for every chunk, DoneWidth in all, and Label7 shows the percentage that
// the width the bar reports back makes of the full 1 800 twips.

#include <cstdint>
#include <string>

namespace qz {

class Host;

class ProgressBar {
public:
    static constexpr double kFullWidth = 1800.0;  // twips that count as 100 %

    explicit ProgressBar(Host& host);

    // One chunk's share of the full width, for an input of len bytes.
    static double stepFor(std::int64_t len);
    // The percentage a bar of width twips shows, at most "100%".
    static std::string percentOf(float width);

    double StepWidth() const { return StepWidth_; }
    double DoneWidth() const { return DoneWidth_; }
    void setStepWidth(double twips) { StepWidth_ = twips; }
    // StepWidth for an input of len bytes.
    void setStepFor(std::int64_t len) { StepWidth_ = stepFor(len); }
    // Advances the bar by one step and shows the percentage.
    void advance();
    // The bar across the whole progress area, with text beside it.
    void showFull(const std::string& text);
    // DoneWidth back to nothing, the bar as it is.
    void reset() { DoneWidth_ = 0; }

private:
    Host& host_;
    double StepWidth_ = 0;
    double DoneWidth_ = 0;
};

}  // namespace qz
