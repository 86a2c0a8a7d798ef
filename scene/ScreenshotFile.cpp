// Screenshot files through the writers skins use: ImageCodec for PNG and the
// plain 24-bit BMP encoder, both of which take pixels bottom row first as the
// framebuffer gives them, and AtomicFile for the write itself.
#include "scene/ScreenshotFile.h"

#include "model/io/AtomicFile.h"
#include "paint/image/BmpFormat.h"
#include "paint/image/ImageCodec.h"
#include "paint/image/PictureLimits.h"

namespace {

// 72 pixels an inch, in pixels a metre.
const int32_t kBmpResolution = 2835;

}  // namespace

const char kScreenshotExtensions[] = ".png, .bmp";

ImageFormat screenshotFormatOf(const std::string& name) {
    const ImageFormat format = imageFormatOfName(name);
    return format == ImageFormat::kPng || format == ImageFormat::kBmp ? format : ImageFormat::kNone;
}

bool encodeScreenshot(const Picture& frame, ImageFormat format, std::vector<unsigned char>* bytes, std::string* why) {
    if (!frame.whole()) {
        *why = "the window has no pixels";
        return false;
    }
    const PictureLimits& most = PictureLimits::current();
    if (!most.admits(frame.width, frame.height)) {
        *why = most.refusal(frame.width, frame.height);
        return false;
    }
    if (format == ImageFormat::kBmp) {
        *bytes = encodeBmp24(frame.width, frame.height, frame.rgb.data(), kBmpResolution);
        return true;
    }
    if (format != ImageFormat::kPng) {
        *why = "unsupported format";
        return false;
    }
    long changed = 0;
    return ImageCodec::encode(frame, format, bytes, &changed, why);
}

bool writeScreenshotFile(const char* path, const std::vector<unsigned char>& bytes, int* err) {
    bool opened = false;
    return AtomicFile::replace(path, bytes, &opened, err);
}
