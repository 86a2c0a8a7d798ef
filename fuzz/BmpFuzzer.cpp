// Skins from hostile bytes, through the BMP decoder the program reads every
// plain 24-bit file with: whatever it accepts must be written back, as a skin
// save writes it, to bytes that decode to the same picture.
#include <cstdlib>

#include "paint/image/BmpFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Picture picture, again;
    BmpLayout layout, layoutAgain;
    if (decodeBmp(data, size, &picture, &layout) != BmpRead::kRead)
        return 0;
    const std::vector<unsigned char> bytes = encodeBmp(bmpHeaderToWrite(layout), picture.rgb.data());
    if (decodeBmp(bytes.data(), bytes.size(), &again, &layoutAgain) != BmpRead::kRead || again.rgb != picture.rgb ||
        again.width != picture.width || again.height != picture.height)
        std::abort();
    return 0;
}
