// Skins from hostile bytes: the header decoder, a fresh load, a reload into a
// picture that already has other dimensions, and the written copy of whatever
// loaded, which must read back with the same size and pixels.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/FuzzScratch.h"
#include "paint/image/BmpFormat.h"
#include "paint/image/Image.h"

namespace {

// A 3 x 2 picture for the reloads to replace.
std::string smallSkin() {
    const unsigned char rgb[3 * 3 * 2] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
    const std::vector<unsigned char> bytes = encodeBmp24(3, 2, rgb, 2835);
    return writeScratch("small.bmp", bytes.data(), bytes.size());
}

// The picture written and read back is the same picture.
void checkRoundTrip(Image& image) {
    std::string copy = fuzzScratch().path("copy.bmp");
    if (!image.write(&copy))
        return;  // a picture can be refused for writing; then there is nothing to compare
    Image* back = Image::load(&copy);
    if (!back || back->width() != image.width() || back->height() != image.height() ||
        back->pixelBytes() != image.pixelBytes() ||
        !std::equal(image.pixels(), image.pixels() + image.pixelBytes(), back->pixels()))
        std::abort();
    delete back;
}

// Every corner read, and one texel painted half over.
void touchCorners(Image& image) {
    GLubyte texel[3] = {200, 100, 50};
    const int xs[] = {-1, 0, image.width() - 1, image.width()};
    const int ys[] = {-1, 0, image.height() - 1, image.height()};
    for (int x : xs)
        for (int y : ys)
            image.get(x, y, texel);
    image.set(image.width() - 1, image.height() - 1, texel, 0.5);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size >= kBmpHeaderBytes) {
        Image::BMPHeader header;
        decodeBmpHeader(data, &header);
        bmpHeaderSupported(header);
        bmpRowStride(header.width);
    }
    static const std::string small = smallSkin();
    std::string path = writeScratch("skin.bmp", data, size);
    if (Image* image = Image::load(&path)) {
        touchCorners(*image);
        checkRoundTrip(*image);
        // The same bytes again over a picture of the same size: the full reload.
        if (!image->reloadImage(&path))
            std::abort();
        checkRoundTrip(*image);
        delete image;
    }
    Image* reloaded = Image::load(const_cast<std::string*>(&small));
    if (!reloaded)
        std::abort();
    if (reloaded->reloadImage(&path))
        touchCorners(*reloaded);
    checkRoundTrip(*reloaded);
    delete reloaded;
    return 0;
}
