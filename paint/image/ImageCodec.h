#pragma once

// Pictures in every format but the plain 24-bit BMP the system reads itself,
// decoded from and encoded to bytes in memory through ImageMagick. Nothing
// here touches a file, and no exception leaves it.

#include <cstddef>
#include <string>
#include <vector>

#include "paint/image/ImageFormats.h"
#include "paint/image/Picture.h"

class ImageCodec {
public:
    // Reads size bytes as a file of format (the decoder is chosen by format,
    // never by the bytes); alpha is dropped, and an 8-bit PCX's palette kept.
    // False, with the reason in a few words in *why, when they hold no whole
    // picture of that format.
    static bool decode(const unsigned char* bytes, size_t size, ImageFormat format, Picture* out, std::string* why);

    // Writes picture as a file of format. A PCX of a picture with a palette is
    // written with 8 bits a texel, each texel the nearest colour of the
    // palette; *changed counts those whose colour that changed (0 for every
    // other format). JPEG is written at quality 95, DDS uncompressed.
    static bool encode(const Picture& picture, ImageFormat format, std::vector<unsigned char>* bytes, long* changed,
                       std::string* why);
    // Writes picture as a JPEG over the size bytes of the JPEG original, of
    // its size, keeping the metadata the original carries (Exif, colour
    // profile, comments) and its chroma sampling, at the quality it was
    // estimated to have been written at.
    static bool encodeOver(const Picture& picture, const unsigned char* original, size_t size,
                           std::vector<unsigned char>* bytes, std::string* why);
};
