// ImageMagick's one-time set-up and the size limits read from it afterwards:
// one thread of its own at most, the program's cap as its width and height
// limits unless they are lower already, and the client name its messages
// start with.
#include "paint/image/PictureLimits.h"

#include <Magick++.h>

#include <algorithm>

namespace {

PictureLimits askMagick() {
    Magick::InitializeMagick(nullptr);
    MagickCore::SetClientName(kMagickClientName);
    Magick::ResourceLimits::thread(1);
    // Only ever lowered: a lower limit of the policy's or the environment's
    // (MAGICK_WIDTH_LIMIT and the like) stays.
    if (Magick::ResourceLimits::width() > static_cast<MagickCore::MagickSizeType>(kMostPictureSide))
        Magick::ResourceLimits::width(kMostPictureSide);
    if (Magick::ResourceLimits::height() > static_cast<MagickCore::MagickSizeType>(kMostPictureSide))
        Magick::ResourceLimits::height(kMostPictureSide);
    PictureLimits limits;
    const auto side = [](MagickCore::MagickSizeType magick) {
        return static_cast<int32_t>(std::min<MagickCore::MagickSizeType>(magick, kMostPictureSide));
    };
    limits.width = side(Magick::ResourceLimits::width());
    limits.height = side(Magick::ResourceLimits::height());
    limits.area = std::min<uint64_t>(limits.area, Magick::ResourceLimits::area());
    return limits;
}

}  // namespace

const PictureLimits& PictureLimits::current() {
    static const PictureLimits limits = askMagick();
    return limits;
}

std::string PictureLimits::refusal(int64_t pictureWidth, int64_t pictureHeight) const {
    return "too large: " + std::to_string(pictureWidth) + " x " + std::to_string(pictureHeight) + " pixels (at most " +
           std::to_string(width) + " x " + std::to_string(height) + " and " + std::to_string(area) + " in all)";
}
