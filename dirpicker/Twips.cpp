#include "dirpicker/Twips.h"

namespace qzdirpicker {

int Twips::toPixels(float twips) { return qRound(twips / kPerPixel); }

QRect Twips::toPixels(int left, int top, int width, int height) {
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

float Twips::fromPixels(int pixels) { return float(pixels * kPerPixel); }

}  // namespace qzdirpicker
