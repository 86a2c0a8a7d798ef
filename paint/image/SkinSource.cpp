// Keeping a skin file's own form. A palette file keeps its bytes, which a
// save copies with only the rows changed, as long as every colour painted is
// one of its entries (a texel takes the first entry of its colour); a JPEG
// keeps its bytes, which ImageCodec reads again to write the picture over.
#include "paint/image/SkinSource.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "paint/image/ImageCodec.h"

namespace {

uint32_t keyOf(const unsigned char* rgb) {
    return static_cast<uint32_t>(rgb[0]) << 16 | static_cast<uint32_t>(rgb[1]) << 8 | rgb[2];
}

// The entry number of each texel of picture, top row first; the number of
// distinct colours with no entry of their own.
long indicesOf(const Picture& picture, const std::vector<unsigned char>& palette, std::vector<unsigned char>* indices) {
    std::unordered_map<uint32_t, unsigned char> entry;
    for (size_t i = palette.size() / 3; i-- > 0;)
        entry[keyOf(&palette[3 * i])] = static_cast<unsigned char>(i);  // the first of equal entries wins
    std::unordered_set<uint32_t> unfit;
    const size_t width = static_cast<size_t>(picture.width), height = static_cast<size_t>(picture.height);
    indices->assign(width * height, 0);
    for (size_t y = 0; y < height; ++y) {
        const unsigned char* row = picture.rgb.data() + 3 * (height - 1 - y) * width;
        for (size_t x = 0; x < width; ++x) {
            const uint32_t key = keyOf(row + 3 * x);
            const auto found = entry.find(key);
            if (found == entry.end())
                unfit.insert(key);
            else
                (*indices)[y * width + x] = found->second;
        }
    }
    return static_cast<long>(unfit.size());
}

// Where a JPEG's Exif segment lies in bytes: its start and end, or {0, 0} without one.
std::pair<size_t, size_t> exifSegment(const std::vector<unsigned char>& b) {
    for (size_t at = 2; at + 10 <= b.size() && b[at] == 0xFF && b[at + 1] != 0xDA;) {
        const size_t end = at + 2 + (static_cast<size_t>(b[at + 2]) << 8 | b[at + 3]);
        if (end > b.size())
            break;
        if (b[at + 1] == 0xE1 && std::equal(b.begin() + at + 4, b.begin() + at + 10, "Exif\0"))
            return {at, end};
        at = end;
    }
    return {0, 0};
}

}  // namespace

std::shared_ptr<const SkinSource> SkinSource::of(const unsigned char* bytes, size_t size, ImageFormat format) {
    auto source = std::make_shared<SkinSource>();
    PaletteBmp bmp;
    PalettePng png;
    if (format == ImageFormat::kBmp && PaletteBmp::parse(bytes, size, &bmp))
        source->bmp_ = std::move(bmp);
    else if (format == ImageFormat::kPng && PalettePng::parse(bytes, size, &png))
        source->png_ = std::move(png);
    else if (format != ImageFormat::kJpeg)
        return nullptr;
    source->format_ = format;
    source->bytes_.assign(bytes, bytes + size);
    return source;
}

SkinSource::Written SkinSource::writeBack(const Picture& picture, const std::string& filename,
                                          std::vector<unsigned char>* bytes, std::string* notes,
                                          std::string* why) const {
    if (format_ == ImageFormat::kJpeg) {
        if (!ImageCodec::encodeOver(picture, bytes_.data(), bytes_.size(), bytes, why))
            return Written::kFailed;
        // The encoder rewrites the resolution fields of the Exif it carries in its own terms; the file's own go back.
        const auto [start, end] = exifSegment(bytes_);
        const auto [at, past] = exifSegment(*bytes);
        if (end > 0 && past > 0) {
            bytes->erase(bytes->begin() + at, bytes->begin() + past);
            bytes->insert(bytes->begin() + at, bytes_.begin() + start, bytes_.begin() + end);
        }
        return Written::kAsItWas;
    }
    const int width = bmp_ ? bmp_->width() : png_->width();
    const int height = bmp_ ? bmp_->height() : png_->height();
    if (!picture.whole() || picture.width != width || picture.height != height)
        return Written::kNotKept;
    std::vector<unsigned char> indices;
    const long unfit = indicesOf(picture, bmp_ ? bmp_->palette() : png_->palette(), &indices);
    if (unfit > 0) {
        *notes += filename + ": " + std::to_string(unfit) + (unfit == 1 ? " colour does not" : " colours do not") +
                  " fit its palette; saved as 24-bit\n";
        return Written::kNotFitting;
    }
    if (bmp_) {
        *bytes = bmp_->withIndices(bytes_, indices);
        return Written::kAsItWas;
    }
    return png_->withIndices(bytes_, indices, bytes, why) ? Written::kAsItWas : Written::kFailed;
}
