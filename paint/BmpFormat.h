#pragma once

#include <cstddef>
#include <cstdint>

#include "paint/Image.h"

// Byte-level pieces of the BMP format, kept apart from file handling so that
// hand-written header bytes can be checked directly.

const size_t kBmpHeaderBytes = 54;  // 14-byte file header + 40-byte info header
const int32_t kBmpMaxDimension = 16384;

uint16_t readLe16(const unsigned char* p);
uint32_t readLe32(const unsigned char* p);
void writeLe16(unsigned char* p, uint16_t v);
void writeLe32(unsigned char* p, uint32_t v);

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
