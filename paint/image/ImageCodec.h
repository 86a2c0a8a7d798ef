#pragma once

// Pictures in every format but the plain 24-bit BMP the system reads itself,
// decoded from and encoded to bytes in memory through ImageMagick. Nothing
// here touches a file, and no exception leaves it.

#include <string>
#include <vector>

#include "paint/image/ImageFormats.h"

class ImageCodec {
public:
    struct Picture {
        int width = 0;
        int height = 0;
        std::vector<unsigned char> rgb;      // red, green, blue; bottom row first, rows tightly packed
        std::vector<unsigned char> palette;  // an 8-bit PCX's colours, three bytes each; else empty
    };

    // Reads bytes as a file of format (the decoder is chosen by format, never by
    // the bytes); alpha is dropped. False, with the reason in a few words in
    // *why, when they hold no whole picture of that format.
    static bool decode(const std::vector<unsigned char>& bytes, ImageFormat format, Picture* out, std::string* why);

    // Writes width x height texels of rgb (layout as in Picture) as a file of
    // format. A PCX with a palette is written with 8 bits a texel, each texel
    // the nearest colour of the palette; *changed counts those whose colour that
    // changed (0 for every other format). JPEG is written at quality 95.
    static bool encode(int width, int height, const unsigned char* rgb, const std::vector<unsigned char>& palette,
                       ImageFormat format, std::vector<unsigned char>* bytes, long* changed, std::string* why);
};
