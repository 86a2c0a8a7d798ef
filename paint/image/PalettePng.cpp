// Walking a PNG's chunks with every length checked against the file, and
// making its picture data afresh through zlib: each row gets filter type 0,
// which every reader takes, and entry numbers are packed leftmost first.
#include "paint/image/PalettePng.h"

#include <zlib.h>

#include <cstdint>
#include <cstring>

namespace {

const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

uint32_t be32(const unsigned char* b) {
    return static_cast<uint32_t>(b[0]) << 24 | static_cast<uint32_t>(b[1]) << 16 | static_cast<uint32_t>(b[2]) << 8 |
           b[3];
}

void appendBe32(std::vector<unsigned char>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<unsigned char>(v >> shift));
}

// Length, type, data and the checksum over type and data.
void appendChunk(std::vector<unsigned char>& out, const char* type, const unsigned char* data, size_t size) {
    appendBe32(out, static_cast<uint32_t>(size));
    const size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data, data + size);
    const uLong crc = crc32(0, out.data() + typeAt, static_cast<uInt>(size + 4));
    appendBe32(out, static_cast<uint32_t>(crc));
}

}  // namespace

bool PalettePng::parse(const unsigned char* b, size_t size, PalettePng* out) {
    if (size < 8 + 25 || std::memcmp(b, kSignature, 8) != 0 || std::memcmp(b + 12, "IHDR", 4) != 0 || be32(b + 8) != 13)
        return false;
    const uint32_t width = be32(b + 16), height = be32(b + 20);
    const int bits = b[24], colourType = b[25], interlace = b[28];
    if (colourType != 3 || (bits != 1 && bits != 2 && bits != 4 && bits != 8) || width == 0 || height == 0 ||
        width > 65535 || height > 65535 || interlace > 1)
        return false;
    PalettePng png;
    png.width_ = static_cast<int>(width);
    png.height_ = static_cast<int>(height);
    png.bits_ = bits;
    png.interlaced_ = interlace == 1;
    for (size_t at = 8; at + 12 <= size;) {
        const uint64_t length = be32(b + at);
        if (at + 12 + length > size)
            return false;
        const unsigned char* type = b + at + 4;
        const size_t next = static_cast<size_t>(at + 12 + length);
        if (std::memcmp(type, "PLTE", 4) == 0 && length % 3 == 0 && length / 3 <= (1u << bits))
            png.palette_.assign(b + at + 8, b + at + 8 + length);
        if (std::memcmp(type, "IDAT", 4) == 0) {
            if (png.dataStart_ == 0)
                png.dataStart_ = at;
            else if (png.dataEnd_ != at)
                return false;  // picture data in pieces apart: not a file to copy around
            png.dataEnd_ = next;
        }
        if (std::memcmp(type, "IEND", 4) == 0)
            break;
        at = next;
    }
    if (png.palette_.empty() || png.dataStart_ == 0)
        return false;
    *out = std::move(png);
    return true;
}

bool PalettePng::withIndices(const std::vector<unsigned char>& file, const std::vector<unsigned char>& indices,
                             std::vector<unsigned char>* out, std::string* why) const {
    const size_t rowBytes = (static_cast<size_t>(width_) * bits_ + 7) / 8;
    std::vector<unsigned char> rows((rowBytes + 1) * height_, 0);
    const int perByte = 8 / bits_;
    for (int y = 0; y < height_; ++y) {
        unsigned char* row = rows.data() + y * (rowBytes + 1) + 1;  // after the filter type byte
        const unsigned char* from = indices.data() + static_cast<size_t>(y) * width_;
        for (int x = 0; x < width_; ++x)
            row[x / perByte] |= static_cast<unsigned char>(from[x] << (bits_ * (perByte - 1 - x % perByte)));
    }
    uLongf packedSize = compressBound(static_cast<uLong>(rows.size()));
    std::vector<unsigned char> packed(packedSize);
    if (compress2(packed.data(), &packedSize, rows.data(), static_cast<uLong>(rows.size()), 9) != Z_OK) {
        *why = "cannot compress the picture";
        return false;
    }
    out->assign(file.begin(), file.begin() + dataStart_);
    if (interlaced_) {
        // The header goes out again with plain row order and its checksum to match.
        unsigned char header[13];
        std::memcpy(header, file.data() + 16, 13);
        header[12] = 0;
        out->resize(8);
        appendChunk(*out, "IHDR", header, 13);
        out->insert(out->end(), file.begin() + 8 + 25, file.begin() + dataStart_);
    }
    appendChunk(*out, "IDAT", packed.data(), packedSize);
    out->insert(out->end(), file.begin() + dataEnd_, file.end());
    return true;
}
