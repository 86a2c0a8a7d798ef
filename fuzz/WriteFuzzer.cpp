// The save path from hostile bytes: a picture decoded as a skin in the format
// the first byte picks, a dab painted into it, then saved in every format a
// skin can be saved in and each file read back, which must hold a picture of
// the same size (the same texels where the format keeps them exactly).
// ImageMagick's limits are lowered through its environment, so large pictures
// take the refusal path quickly instead of filling the memory.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/FuzzScratch.h"
#include "paint/image/Image.h"

namespace {

const char* const kExtensions[] = {".bmp", ".png", ".jpg", ".tga", ".pcx"};
const size_t kSettings = 7;  // format, dab centre x and y, radius, colour

void paintDab(Image& image, const uint8_t* settings) {
    const int cx = settings[1] * image.width() / 256, cy = settings[2] * image.height() / 256;
    const int radius = settings[3] % 16;
    GLubyte colour[3] = {settings[4], settings[5], settings[6]};
    for (int y = cy - radius; y <= cy + radius; ++y)
        for (int x = cx - radius; x <= cx + radius; ++x) {
            const int d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
            if (d2 <= radius * radius)
                image.set(x, y, colour, 1.0 - 0.5 * d2 / (radius * radius + 1));
        }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool smallLimits = setenv("MAGICK_WIDTH_LIMIT", "1024", 1) == 0 &&
                                    setenv("MAGICK_HEIGHT_LIMIT", "1024", 1) == 0 &&
                                    setenv("MAGICK_AREA_LIMIT", "256KP", 1) == 0;
    if (!smallLimits || size < kSettings)
        return 0;
    const std::string source = std::string("skin") + kExtensions[data[0] % 5];
    Image::Decoded read = Image::decode(data + kSettings, size - kSettings, source, source);
    if (!read.image)
        return 0;
    Image& image = *read.image;
    paintDab(image, data);
    for (const char* ext : kExtensions) {
        std::string file = fuzzScratch().path(std::string("saved") + ext);
        if (image.write(file.c_str()) != 1)
            std::abort();  // a picture that was read can always be written
        Image::Decoded back = Image::read(file);
        if (!back.image || back.image->width() != image.width() || back.image->height() != image.height())
            std::abort();
        const std::string e = ext;
        const bool exact =
            e == ".bmp" || e == ".png" || e == ".tga" || (e == ".pcx" && image.picture().palette.empty());
        if (exact && back.image->picture().rgb != image.picture().rgb)
            std::abort();
    }
    return 0;
}
