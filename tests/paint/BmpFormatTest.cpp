// BMP bytes without files: every header field decoded from hand-written
// bytes and encoded back, the kinds of header the reader refuses, and the
// encoder the data generator and the benchmarks write their files with.
#include <gtest/gtest.h>

#include <climits>

#include "paint/BmpFormat.h"
#include "tests/paint/PaintTestSupport.h"

using namespace painttest;

namespace {

TEST(BmpFormat, every_header_field_is_decoded_from_its_offset_and_encoded_back) {
    // {offset, value, bytes}: each field a different value; sign bits set where fields are signed.
    const uint32_t fields[][3] = {{0, 0x4D42, 2},      {2, 0x01020304, 4},  {6, 0x05060708, 4},  {10, 0x0a0b0c0d, 4},
                                  {14, 0x11121314, 4}, {18, 0xfffffffe, 4}, {22, 0xfffffffd, 4}, {26, 0x2122, 2},
                                  {28, 0x2324, 2},     {30, 0x31323334, 4}, {34, 0x41424344, 4}, {38, 0x80000000, 4},
                                  {42, 0x7fffffff, 4}, {46, 0x51525354, 4}, {50, 0x61626364, 4}};
    Bytes bytes;
    for (const auto& field : fields)
        putLe(bytes, field[0], field[1], static_cast<int>(field[2]));
    ASSERT_EQ(kBmpHeaderBytes, bytes.size());
    Image::BMPHeader h;
    decodeBmpHeader(bytes.data(), &h);
    EXPECT_EQ(0x4D42, h.magic);
    EXPECT_EQ(0x01020304u, h.file_size);
    EXPECT_EQ(0x05060708u, h.reserved);
    EXPECT_EQ(0x0a0b0c0du, h.data_offset);
    EXPECT_EQ(0x11121314u, h.header_size);
    EXPECT_EQ(-2, h.width);
    EXPECT_EQ(-3, h.height);
    EXPECT_EQ(0x2122, h.planes);
    EXPECT_EQ(0x2324, h.bpp);
    EXPECT_EQ(0x31323334u, h.compression);
    EXPECT_EQ(0x41424344u, h.image_size);
    EXPECT_EQ(INT_MIN, h.h_res);
    EXPECT_EQ(INT_MAX, h.v_res);
    EXPECT_EQ(0x51525354u, h.pallete_colors);
    EXPECT_EQ(0x61626364u, h.important_colors);
    Bytes encoded(kBmpHeaderBytes);
    encodeBmpHeader(h, encoded.data());
    EXPECT_EQ(bytes, encoded);
}

TEST(BmpFormat, supported_headers_are_24_bit_uncompressed_with_40_or_more_header_bytes_and_sizes_up_to_16384) {
    const Bytes plain = makeBmp(4, 3);
    const struct {
        size_t at;
        uint32_t value;
        bool supported;
    } kinds[] = {
        {0, 0x4D42, true},                                                    // as written
        {14, 124, true},                                                      // a larger info header
        {14, 39, false},                                                      // a smaller one
        {14, 12, false},                                                      // the old OS/2 header
        {18, 16384, true},                                                    // widest
        {18, 0xfffffffc, false},                                              // negative width
        {22, 16384, true},                                                    // tallest
        {22, 0, false},          {22, 16385, false}, {22, 0xfffffffd, true},  // -3: top-down rows
        {22, 0xffffc000, true},                                               // -16384
        {22, 0xffffbfff, false},                                              // -16385
        {22, 0x80000000, false},                                              // INT32_MIN, whose negation is no int
        {28, 16, false},         {30, 3, false},                              // bit fields
    };
    for (const auto& kind : kinds) {
        Bytes bytes = plain;
        putLe(bytes, kind.at, kind.value);
        Image::BMPHeader h;
        decodeBmpHeader(bytes.data(), &h);
        EXPECT_EQ(kind.supported, bmpHeaderSupported(h)) << "offset " << kind.at << " value " << kind.value;
    }
}

TEST(BmpFormat, encoded_files_match_ones_written_by_hand_for_every_row_padding) {
    for (int width = 1; width <= 5; ++width) {
        const Bytes top = gradient(width, 3);  // top row first; the encoder takes the bottom row first
        Bytes bottom;
        for (int y = 2; y >= 0; --y)
            bottom.insert(bottom.end(), top.begin() + 3 * width * y, top.begin() + 3 * width * (y + 1));
        EXPECT_EQ(makeBmp(width, 3), encodeBmp24(width, 3, bottom.data(), 2835)) << width;
    }
}

}  // namespace
