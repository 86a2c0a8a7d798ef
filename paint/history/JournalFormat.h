#pragma once

// The bytes of one recovery journal file: the paint one skin holds that its
// file does not, as tiles of texels, with what it takes to find that skin
// again in a later run (the model's class and name, and the file it was made
// from when that is not its name; the skin's number, the file it was read
// from and its size). The file is versioned and ends in a
// CRC-32 of everything before it, so a torn or damaged file is refused whole.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "paint/image/TexelRect.h"

class JournalFormat {
public:
    struct Tile {
        TexelRect rect;
        std::vector<unsigned char> texels;  // RGB, rows bottom first, like the picture
    };
    struct Skin {
        std::string modelClass;
        std::string modelName;
        std::string sourceFile;  // absolute
        std::string modelFile;   // what the model was made from, when it is listed under another name
        // The skin's number in its model, from 1; 0 in a version 1 file, whose
        // number was a texture name of its own run and means nothing to another.
        unsigned int skin = 0;
        int width = 0, height = 0;
        std::vector<Tile> tiles;
    };

    static constexpr uint32_t kVersion = 2;  // version 1 files are still read
    // The longest class, model name or file name a journal holds, and the
    // widest and tallest picture.
    static constexpr size_t kMaxText = 4096;
    static constexpr int kMaxSide = 1 << 15;

    static std::vector<unsigned char> encode(const Skin& skin);
    // The skin size bytes describe; false, with why saying what is wrong and
    // skin left as it was, for anything but a whole, undamaged journal file.
    static bool decode(const unsigned char* bytes, size_t size, Skin& skin, std::string& why);
    static uint32_t crc32(const unsigned char* bytes, size_t size);
};
