#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "paint/image/Image.h"
#include "paint/image/LittleEndian.h"

// Byte-level pieces of the BMP format, kept apart from file handling so that
// hand-written header bytes can be checked directly, and so that small tools
// can write BMP files without the rest of the program.

const size_t kBmpHeaderBytes = 54;  // 14-byte file header + 40-byte info header
const int32_t kBmpMaxDimension = 16384;
const int16_t kBmpMagic = 0x4D42;  // "BM"

// Fills all fifteen fields from the first kBmpHeaderBytes of bytes.
void decodeBmpHeader(const unsigned char* bytes, Image::BMPHeader* header);
// Writes the fifteen fields as kBmpHeaderBytes bytes.
void encodeBmpHeader(const Image::BMPHeader& header, unsigned char* bytes);

// True for what the reader accepts: an info header of 40 bytes or more,
// 24 bits per pixel, no compression, 1..16384 columns and 1..16384 rows
// (either row order).
bool bmpHeaderSupported(const Image::BMPHeader& header);

// Bytes of one pixel row in the file: 3 per pixel, padded to a multiple of 4.
uint64_t bmpRowStride(int32_t width);

// Copies count pixels of three bytes, exchanging the first and third byte of
// each: red-green-blue in memory to blue-green-red in the file and back.
void copySwappingRedBlue(const unsigned char* from, unsigned char* to, uint64_t count);

// The header of a plain bottom-up 24-bit file: 54-byte header, rows padded to four bytes.
Image::BMPHeader plainBmpHeader(int32_t width, int32_t height, int32_t resolution = 0);

// A whole plain 24-bit file: the 54-byte header, then the rows of rgb
// (red-green-blue, bottom row first, rows tightly packed) padded with zeros.
// resolution is in pixels per metre, both ways.
std::vector<unsigned char> encodeBmp24(int32_t width, int32_t height, const unsigned char* rgb, int32_t resolution);
