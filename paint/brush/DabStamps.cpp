// Dab stamps: a number per texel compared with the current dab's. The numbers
// wrap after 65,535 dabs; the stamps are cleared then so an old stamp never
// passes for the current dab.
#include "paint/brush/DabStamps.h"

#include <algorithm>

void DabStamps::beginDab(int width, int height) {
    if (width != width_ || height != height_) {
        width_ = width;
        height_ = height;
        stamps_.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
        dab_ = 0;
    }
    if (++dab_ == 0) {
        std::fill(stamps_.begin(), stamps_.end(), 0);
        dab_ = 1;
    }
}
