// The 54-byte BMP header layout, pixel rows in the file's channel order, and
// whole 24-bit files as bytes. Nothing here touches files, so the decoder can
// be fed any bytes and the data generator can share the encoder. Rows are
// padded to four bytes in the file, never in memory.
#include "paint/image/BmpFormat.h"

#include <new>
#include <utility>

void decodeBmpHeader(const unsigned char* b, BmpHeader* h) {
    h->magic = static_cast<int16_t>(readLe16(b + 0));
    h->file_size = readLe32(b + 2);
    h->reserved = readLe32(b + 6);
    h->data_offset = readLe32(b + 10);
    h->header_size = readLe32(b + 14);
    h->width = static_cast<int32_t>(readLe32(b + 18));
    h->height = static_cast<int32_t>(readLe32(b + 22));
    h->planes = readLe16(b + 26);
    h->bpp = readLe16(b + 28);
    h->compression = readLe32(b + 30);
    h->image_size = readLe32(b + 34);
    h->h_res = static_cast<int32_t>(readLe32(b + 38));
    h->v_res = static_cast<int32_t>(readLe32(b + 42));
    h->pallete_colors = readLe32(b + 46);
    h->important_colors = readLe32(b + 50);
}

void encodeBmpHeader(const BmpHeader& h, unsigned char* b) {
    writeLe16(b + 0, static_cast<uint16_t>(h.magic));    // "BM"
    writeLe32(b + 2, h.file_size);                       // file size
    writeLe32(b + 6, h.reserved);                        // reserved
    writeLe32(b + 10, h.data_offset);                    // pixel array offset
    writeLe32(b + 14, h.header_size);                    // info header size
    writeLe32(b + 18, static_cast<uint32_t>(h.width));   // width
    writeLe32(b + 22, static_cast<uint32_t>(h.height));  // height
    writeLe16(b + 26, h.planes);                         // planes
    writeLe16(b + 28, h.bpp);                            // bits per pixel
    writeLe32(b + 30, h.compression);                    // compression
    writeLe32(b + 34, h.image_size);                     // pixel array size
    writeLe32(b + 38, static_cast<uint32_t>(h.h_res));   // horizontal resolution
    writeLe32(b + 42, static_cast<uint32_t>(h.v_res));   // vertical resolution
    writeLe32(b + 46, h.pallete_colors);                 // palette colours
    writeLe32(b + 50, h.important_colors);               // important colours
}

bool bmpHeaderSupported(const BmpHeader& h) {
    if (h.header_size < 40 || h.bpp != 24 || h.compression != 0)
        return false;
    if (h.width <= 0 || h.width > kMostPictureSide)
        return false;
    // Negative heights mark top-down files; widen before negating INT32_MIN.
    int64_t rows = h.height < 0 ? -static_cast<int64_t>(h.height) : h.height;
    return rows > 0 && rows <= kMostPictureSide;
}

uint64_t bmpRowStride(int32_t width) {
    uint64_t bytes = 3u * static_cast<uint64_t>(width < 0 ? 0 : width);
    return (bytes + 3u) & ~static_cast<uint64_t>(3u);
}

void copySwappingRedBlue(const unsigned char* from, unsigned char* to, uint64_t count) {
    for (uint64_t x = 0; x < 3 * count; x += 3) {
        to[x] = from[x + 2];
        to[x + 1] = from[x + 1];
        to[x + 2] = from[x];
    }
}

BmpHeader plainBmpHeader(int32_t width, int32_t height, int32_t resolution) {
    const uint64_t rows = static_cast<uint64_t>(height < 0 ? 0 : height);
    const uint64_t bytes = bmpRowStride(width) * rows;
    BmpHeader h = {};
    h.magic = kBmpMagic;
    h.file_size = static_cast<uint32_t>(kBmpHeaderBytes + bytes);
    h.data_offset = kBmpHeaderBytes;
    h.header_size = 40;
    h.width = width;
    h.height = height;
    h.planes = 1;
    h.bpp = 24;
    h.image_size = static_cast<uint32_t>(bytes);
    h.h_res = resolution;
    h.v_res = resolution;
    return h;
}

std::vector<unsigned char> encodeBmp24(int32_t width, int32_t height, const unsigned char* rgb, int32_t resolution) {
    return encodeBmp(plainBmpHeader(width, height, resolution), rgb);
}

std::vector<unsigned char> encodeBmp(const BmpHeader& h, const unsigned char* rgb) {
    const uint64_t stride = bmpRowStride(h.width);
    const uint64_t rows = static_cast<uint64_t>(h.height < 0 ? 0 : h.height);
    const uint64_t columns = static_cast<uint64_t>(h.width < 0 ? 0 : h.width);
    std::vector<unsigned char> bytes(kBmpHeaderBytes + stride * rows, 0);
    encodeBmpHeader(h, bytes.data());
    for (uint64_t y = 0; y < rows; ++y)
        copySwappingRedBlue(rgb + 3 * columns * y, &bytes[kBmpHeaderBytes + stride * y], columns);
    return bytes;
}

BmpHeader bmpHeaderToWrite(const BmpLayout& layout) {
    BmpHeader out = layout.header;
    if (!layout.plain) {
        const uint64_t rows = static_cast<uint64_t>(out.height < 0 ? 0 : out.height);
        const uint64_t bytes = bmpRowStride(out.width) * rows;
        out.data_offset = kBmpHeaderBytes;
        out.header_size = 40;
        out.image_size = static_cast<uint32_t>(bytes);
        out.file_size = static_cast<uint32_t>(kBmpHeaderBytes + bytes);
    }
    return out;
}

BmpRead decodeBmp(const unsigned char* bytes, size_t size, Picture* picture, BmpLayout* layout,
                  const PictureLimits& limits) {
    if (size < kBmpHeaderBytes)
        return BmpRead::kNoHeader;
    BmpHeader h;
    decodeBmpHeader(bytes, &h);
    if (h.magic != kBmpMagic)
        return BmpRead::kNotBitmap;
    if (!bmpHeaderSupported(h))
        return BmpRead::kUnsupported;
    if (!limits.admits(h.width, h.height < 0 ? -static_cast<int64_t>(h.height) : h.height)) {
        layout->header = h;
        layout->header.height = h.height < 0 ? -h.height : h.height;  // supported, so no INT32_MIN
        return BmpRead::kTooLarge;
    }
    layout->offsetFixed = h.data_offset < kBmpHeaderBytes;
    if (layout->offsetFixed)
        h.data_offset = kBmpHeaderBytes;
    layout->plain = h.header_size == 40 && h.data_offset == kBmpHeaderBytes && h.height > 0;
    // Dimensions are capped, so these sizes fit easily in 64 bits (and the
    // rows' bytes in 32).
    const bool top_down = h.height < 0;
    const uint64_t rows =
        top_down ? static_cast<uint64_t>(-static_cast<int64_t>(h.height)) : static_cast<uint64_t>(h.height);
    const uint64_t stride = bmpRowStride(h.width);
    const uint64_t columns = static_cast<uint64_t>(h.width);
    h.image_size = static_cast<uint32_t>(stride * rows);
    // Refuse a short file before allocating what its header asks for.
    if (size < h.data_offset + stride * rows)
        return BmpRead::kShort;
    Picture out;
    try {
        out.rgb.resize(3 * columns * rows);
    } catch (const std::bad_alloc&) {
        return BmpRead::kNoMemory;
    }
    for (uint64_t i = 0; i < rows; ++i) {
        const uint64_t y = top_down ? rows - 1 - i : i;
        copySwappingRedBlue(bytes + h.data_offset + stride * i, &out.rgb[3 * columns * y], columns);
    }
    h.height = static_cast<int32_t>(rows);
    out.width = h.width;
    out.height = h.height;
    layout->header = h;
    *picture = std::move(out);
    return BmpRead::kRead;
}

bool isPlainBmp(const unsigned char* bytes, size_t size) {
    if (size < kBmpHeaderBytes)
        return false;
    BmpHeader h;
    decodeBmpHeader(bytes, &h);
    return h.magic == kBmpMagic && bmpHeaderSupported(h);
}
