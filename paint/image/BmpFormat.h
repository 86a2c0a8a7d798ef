// The program's own BMP codec, on bytes only: the 54-byte header, whole
// plain 24-bit files decoded and encoded, kept apart from file handling so
// that hand-written bytes can be checked directly and small tools can write
// BMP files without the rest of the program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "paint/image/LittleEndian.h"
#include "paint/image/Picture.h"
#include "paint/image/PictureLimits.h"

// The 14-byte file header and the 40-byte info header, field by field.
struct BmpHeader {
    int16_t magic;
    uint32_t file_size;
    uint32_t reserved;
    uint32_t data_offset;
    uint32_t header_size;
    int32_t width;
    int32_t height;
    uint16_t planes;
    uint16_t bpp;
    uint32_t compression;
    uint32_t image_size;
    int32_t h_res;
    int32_t v_res;
    uint32_t pallete_colors;
    uint32_t important_colors;
};

const size_t kBmpHeaderBytes = 54;  // 14-byte file header + 40-byte info header
const int16_t kBmpMagic = 0x4D42;   // "BM"

// Fills all fifteen fields from the first kBmpHeaderBytes of bytes.
void decodeBmpHeader(const unsigned char* bytes, BmpHeader* header);
// Writes the fifteen fields as kBmpHeaderBytes bytes.
void encodeBmpHeader(const BmpHeader& header, unsigned char* bytes);

// True for what the reader accepts: an info header of 40 bytes or more,
// 24 bits per pixel, no compression, 1..16384 columns and 1..16384 rows
// (either row order).
bool bmpHeaderSupported(const BmpHeader& header);

// Whether size bytes open with a whole header of "BM" that bmpHeaderSupported accepts.
bool isPlainBmp(const unsigned char* bytes, size_t size);

// Bytes of one pixel row in the file: 3 per pixel, padded to a multiple of 4.
uint64_t bmpRowStride(int32_t width);

// Copies count pixels of three bytes, exchanging the first and third byte of
// each: red-green-blue in memory to blue-green-red in the file and back.
void copySwappingRedBlue(const unsigned char* from, unsigned char* to, uint64_t count);

// The header of a plain bottom-up 24-bit file: 54-byte header, rows padded to four bytes.
BmpHeader plainBmpHeader(int32_t width, int32_t height, int32_t resolution = 0);

// A whole plain 24-bit file: the 54-byte header, then the rows of rgb
// (red-green-blue, bottom row first, rows tightly packed) padded with zeros.
// resolution is in pixels per metre, both ways.
std::vector<unsigned char> encodeBmp24(int32_t width, int32_t height, const unsigned char* rgb, int32_t resolution);

// The header of a whole file as the decoder leaves it, beside the pixels.
struct BmpLayout {
    BmpHeader header = {};     // as read, but rows counted bottom-up and image_size the bytes of the rows
    bool plain = false;        // a 40-byte info header, rows right after it, bottom row first
    bool offsetFixed = false;  // the rows' offset pointed into the header, so 54 was taken instead
};

enum class BmpRead { kRead, kNoHeader, kNotBitmap, kUnsupported, kTooLarge, kShort, kNoMemory };

// Decodes a whole file of size bytes that bmpHeaderSupported accepts and
// limits admit. On kRead *picture holds its pixels bottom row first and
// *layout its header; layout->offsetFixed is set once the header is accepted,
// so also with kShort and kNoMemory; with kTooLarge layout->header holds the
// size refused (rows counted bottom-up). Any other result leaves *picture alone.
BmpRead decodeBmp(const unsigned char* bytes, size_t size, Picture* picture, BmpLayout* layout,
                  const PictureLimits& limits = PictureLimits());

// The header a picture decoded with layout is written back with: as read for
// a plain layout, which keeps every other field too; otherwise with a 40-byte
// info header, the rows right after it and the sizes to match.
BmpHeader bmpHeaderToWrite(const BmpLayout& layout);

// A whole file: header as given, then header.height rows of header.width
// pixels of rgb (bottom row first, tightly packed), each padded with zeros.
std::vector<unsigned char> encodeBmp(const BmpHeader& header, const unsigned char* rgb);
