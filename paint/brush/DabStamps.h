#pragma once

// Which texels of one skin the current dab (one paint call) has already
// blended: one stamp per texel, holding the number of the last dab that
// blended it, so that a texel shown by several triangles (an edge they share)
// takes the brush once per dab. Starting a dab costs nothing but a count.
#include <cstddef>
#include <cstdint>
#include <vector>

class DabStamps {
public:
    // A new dab over a picture of width x height: every texel may be blended once more.
    void beginDab(int width, int height);
    // True the first time (x, y) is asked for in this dab; (x, y) must lie inside the picture.
    bool claim(int x, int y) {
        return claim(static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x));
    }
    // The same for the texel at index y * width + x.
    bool claim(size_t index) {
        uint16_t& stamp = stamps_[index];
        if (stamp == dab_)
            return false;
        stamp = dab_;
        return true;
    }

    // Whether the texel at index y * width + x was claimed in the current dab.
    bool stamped(size_t index) const { return stamps_[index] == dab_; }

private:
    std::vector<uint16_t> stamps_;
    int width_ = 0, height_ = 0;
    uint16_t dab_ = 0;
};
