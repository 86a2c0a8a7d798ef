// Which file names stand for which picture formats. Extensions are compared
// without regard to case, so "Weapon.PNG" is a PNG file like "weapon.png".
#include "paint/image/ImageFormats.h"

#include <cctype>

namespace {

const struct {
    const char* ext;
    ImageFormat format;
} kExtensions[] = {{".bmp", ImageFormat::kBmp},  {".pcx", ImageFormat::kPcx},   {".png", ImageFormat::kPng},
                   {".jpg", ImageFormat::kJpeg}, {".jpeg", ImageFormat::kJpeg}, {".tga", ImageFormat::kTga},
                   {".dds", ImageFormat::kDds}};

}  // namespace

std::string imageExtensionOf(const std::string& name) {
    const size_t dot = name.rfind('.');
    const size_t slash = name.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return std::string();
    return name.substr(dot);
}

ImageFormat imageFormatOfExtension(const std::string& ext) {
    std::string lower(ext);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const auto& known : kExtensions)
        if (lower == known.ext)
            return known.format;
    return ImageFormat::kNone;
}

ImageFormat imageFormatOfName(const std::string& name) {
    return imageFormatOfExtension(imageExtensionOf(name));
}

bool isSupportedImageExtension(const std::string& ext) {
    return imageFormatOfExtension(ext) != ImageFormat::kNone;
}

const char* supportedImageExtensionsText() {
    return ".bmp, .pcx, .png, .jpg, .jpeg, .tga, .dds";
}
