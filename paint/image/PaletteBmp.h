#pragma once

// An indexed BMP file (1, 4 or 8 bits a texel, uncompressed) as its bytes lay
// it out, so that a picture whose colours are all in its palette can be
// written back into a copy of the very file: headers, palette, padding and
// anything after the rows stay byte for byte as they were.

#include <cstddef>
#include <vector>

class PaletteBmp {
public:
    // False for any other file, and for one whose palette or rows do not fit in its size bytes.
    static bool parse(const unsigned char* bytes, size_t size, PaletteBmp* out);

    int width() const { return width_; }
    int height() const { return height_; }
    // Red, green, blue of each entry, in the file's order.
    const std::vector<unsigned char>& palette() const { return palette_; }
    // A copy of file, the bytes parsed, whose rows hold indices: one entry
    // number a texel, the top row first.
    std::vector<unsigned char> withIndices(const std::vector<unsigned char>& file,
                                           const std::vector<unsigned char>& indices) const;

private:
    int width_ = 0;
    int height_ = 0;
    bool topDown_ = false;  // a negative height: the top row comes first in the file
    int bits_ = 8;
    size_t offset_ = 0;  // of the first row
    size_t stride_ = 0;  // bytes of a row, padded to four
    std::vector<unsigned char> palette_;
};
