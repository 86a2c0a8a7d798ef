// Reading an indexed BMP's layout from its headers, every section checked
// against the file's size before it is used, and packing entry numbers into
// its rows the way the file packs them: the leftmost texel in the high bits.
#include "paint/image/PaletteBmp.h"

#include <cstdint>
#include <cstdlib>

#include "paint/image/LittleEndian.h"

bool PaletteBmp::parse(const unsigned char* b, size_t size, PaletteBmp* out) {
    const size_t kFileHeader = 14;
    if (size < kFileHeader + 40 || b[0] != 'B' || b[1] != 'M')
        return false;
    const uint32_t infoSize = readLe32(b + 14);
    const int32_t width = static_cast<int32_t>(readLe32(b + 18));
    const int32_t rows = static_cast<int32_t>(readLe32(b + 22));
    const int bits = readLe16(b + 28);
    const uint32_t compression = readLe32(b + 30);
    uint32_t colours = readLe32(b + 46);
    if (infoSize < 40 || infoSize > size || width <= 0 || width > 65535 || rows == 0 || rows < -65535 || rows > 65535 ||
        (bits != 1 && bits != 4 && bits != 8) || compression != 0)
        return false;
    if (colours == 0 || colours > (1u << bits))
        colours = 1u << bits;
    const uint64_t paletteAt = kFileHeader + static_cast<uint64_t>(infoSize);
    const uint64_t offset = readLe32(b + 10);
    const uint64_t stride = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4;
    const uint64_t height = static_cast<uint64_t>(std::abs(static_cast<int64_t>(rows)));
    if (paletteAt + 4ull * colours > offset || offset + stride * height > size)
        return false;
    out->width_ = width;
    out->height_ = static_cast<int>(height);
    out->topDown_ = rows < 0;
    out->bits_ = bits;
    out->offset_ = static_cast<size_t>(offset);
    out->stride_ = static_cast<size_t>(stride);
    out->palette_.clear();
    for (uint32_t i = 0; i < colours; ++i) {
        const unsigned char* quad = b + paletteAt + 4 * i;  // blue, green, red, unused
        out->palette_.insert(out->palette_.end(), {quad[2], quad[1], quad[0]});
    }
    return true;
}

std::vector<unsigned char> PaletteBmp::withIndices(const std::vector<unsigned char>& file,
                                                   const std::vector<unsigned char>& indices) const {
    std::vector<unsigned char> out(file);
    const int perByte = 8 / bits_;
    const unsigned mask = (1u << bits_) - 1;
    for (int y = 0; y < height_; ++y) {
        const size_t fileRow = topDown_ ? y : height_ - 1 - y;
        unsigned char* row = out.data() + offset_ + fileRow * stride_;
        const unsigned char* from = indices.data() + static_cast<size_t>(y) * width_;
        for (int x = 0; x < width_; ++x) {
            const int shift = bits_ * (perByte - 1 - x % perByte);
            unsigned char& byte = row[x / perByte];
            byte = static_cast<unsigned char>((byte & ~(mask << shift)) | ((from[x] & mask) << shift));
        }
    }
    return out;
}
