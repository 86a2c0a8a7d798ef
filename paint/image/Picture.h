// A picture in memory in the one form the program passes pictures around in
// (skins, their files, captures of the window): red, green, blue for each
// pixel, the bottom row first, rows tightly packed, as OpenGL takes and gives
// them. Pixel (x, y) starts at byte 3 * (y * width + x).
#pragma once

#include <cstddef>
#include <vector>

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
    std::vector<unsigned char> palette;  // an 8-bit PCX's colours, three bytes each, written back with it; else empty

    // The bytes of a whole width x height picture; 0 unless both are positive.
    static size_t bytesFor(int width, int height) {
        return width > 0 && height > 0 ? 3 * static_cast<size_t>(width) * static_cast<size_t>(height) : 0;
    }
    // Whether rgb holds exactly width x height pixels, and at least one.
    bool whole() const { return bytesFor(width, height) != 0 && rgb.size() == bytesFor(width, height); }
};
