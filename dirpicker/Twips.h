#pragma once
// Both windows are laid out in twips, 15 to a pixel at 96 dpi, and the engine
// measures the progress bar in twips: lengths cross between the two here only.

#include <QRect>

namespace qzdirpicker {

class Twips {
public:
    static constexpr int kPerPixel = 15;

    // The whole pixels nearest to a length in twips; half a pixel rounds up.
    static int toPixels(float twips);
    // A rectangle in twips (left, top, width, height) in pixels, each length
    // rounded by toPixels.
    static QRect toPixels(int left, int top, int width, int height);
    // A length in pixels as twips.
    static float fromPixels(int pixels);
};

}  // namespace qzdirpicker
