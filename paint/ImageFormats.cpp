// The list of image file extensions skins come in, matched without regard to
// case, and the same list as users read it in messages.
#include "paint/ImageFormats.h"

#include <cctype>

namespace {

const char* const kExtensions[] = {".bmp", ".pcx", ".png", ".jpg", ".jpeg", ".tga"};

}  // namespace

bool isSupportedImageExtension(const std::string& ext) {
    std::string lower(ext);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char* known : kExtensions)
        if (lower == known)
            return true;
    return false;
}

const char* supportedImageExtensionsText() {
    return ".bmp, .pcx, .png, .jpg, .jpeg, .tga";
}
