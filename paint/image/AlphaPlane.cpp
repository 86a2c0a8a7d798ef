// Reading a picture's alpha through Magick++, the decoder named by the format
// as every other picture read is. It is only asked for pictures already read
// as skins, of the size given, so it never holds more than a skin's texels.
#include "paint/image/AlphaPlane.h"

#include <Magick++.h>

#include <cstring>

std::vector<unsigned char> AlphaPlane::decode(const unsigned char* bytes, size_t size, ImageFormat format, int width,
                                              int height) {
    if (size == 0 || width <= 0 || height <= 0 || (format != ImageFormat::kPng && format != ImageFormat::kTga))
        return {};
    try {
        Magick::Blob blob(bytes, size);
        Magick::Image image;
        image.magick(format == ImageFormat::kPng ? "PNG" : "TGA");
        image.read(blob);
        const size_t w = static_cast<size_t>(width), h = static_cast<size_t>(height);
        if (!image.matte() || image.columns() != w || image.rows() != h)
            return {};
        std::vector<unsigned char> top(w * h), alpha(w * h);
        image.write(0, 0, w, h, "A", Magick::CharPixel, top.data());
        for (size_t y = 0; y < h; ++y)
            std::memcpy(&alpha[(h - 1 - y) * w], &top[y * w], w);
        return alpha;
    } catch (...) {
        return {};  // a warning or damage: the texels stay whole
    }
}
