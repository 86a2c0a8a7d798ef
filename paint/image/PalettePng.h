#pragma once

// A PNG file of palette colour type as its chunks lay it out, so that a
// picture whose colours are all in its palette can be written back as the
// same file: every chunk but the picture data (palette, transparency, gamma,
// text) is copied byte for byte, in its place, and the rows keep their bit
// depth. Only interlacing is dropped: the rows are written in plain order.

#include <cstddef>
#include <string>
#include <vector>

class PalettePng {
public:
    // False for any other file, and for one whose chunks do not fit in its size bytes.
    static bool parse(const unsigned char* bytes, size_t size, PalettePng* out);

    int width() const { return width_; }
    int height() const { return height_; }
    // Red, green, blue of each entry, in the file's order.
    const std::vector<unsigned char>& palette() const { return palette_; }
    // The file, the bytes parsed, with its picture data holding indices: one
    // entry number a texel, the top row first. False, saying why, when they
    // cannot be compressed.
    bool withIndices(const std::vector<unsigned char>& file, const std::vector<unsigned char>& indices,
                     std::vector<unsigned char>* out, std::string* why) const;

private:
    int width_ = 0;
    int height_ = 0;
    int bits_ = 8;
    bool interlaced_ = false;
    size_t dataStart_ = 0;  // where the first picture data chunk begins
    size_t dataEnd_ = 0;    // where the chunk after the last one begins
    std::vector<unsigned char> palette_;
};
