// BMP bytes, and Image's reading and writing of BMP files, against files written by hand.
#include <gtest/gtest.h>

#include <climits>

#include "paint/image/BmpFormat.h"
#include "paint/image/Image.h"
#include "tests/SameBytes.h"
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
    BmpHeader h;
    decodeBmpHeader(bytes.data(), &h);
    const std::vector<int64_t> decoded = {h.magic,       h.file_size,      h.reserved,        h.data_offset,
                                          h.header_size, h.width,          h.height,          h.planes,
                                          h.bpp,         h.compression,    h.image_size,      h.h_res,
                                          h.v_res,       h.pallete_colors, h.important_colors};
    const std::vector<int64_t> want = {0x4D42,     0x01020304, 0x05060708, 0x0a0b0c0d, 0x11121314,
                                       -2,         -3,         0x2122,     0x2324,     0x31323334,
                                       0x41424344, INT_MIN,    INT_MAX,    0x51525354, 0x61626364};
    EXPECT_TRUE(sameBytes(want, decoded));
    Bytes encoded(kBmpHeaderBytes);
    encodeBmpHeader(h, encoded.data());
    EXPECT_TRUE(sameBytes(bytes, encoded));
}

TEST(BmpFormat, supported_headers_are_24_bit_uncompressed_with_40_or_more_header_bytes_and_sizes_up_to_16384) {
    const Bytes plain = makeBmp(4, 3);
    // {offset, value, supported}: as written, a larger info header, a smaller one, the old OS/2 header; widths:
    // the widest, negative, none, one too many; heights: the tallest, none, one too many, -3 (top-down rows),
    // -16384, -16385, INT32_MIN (whose negation is no int); bits per pixel; compression: run-length, bit fields.
    const uint32_t kinds[][3] = {{0, 0x4D42, 1},      {14, 124, 1},        {14, 39, 0},         {14, 12, 0},
                                 {18, 16384, 1},      {18, 0xfffffffc, 0}, {18, 0, 0},          {18, 16385, 0},
                                 {22, 16384, 1},      {22, 0, 0},          {22, 16385, 0},      {22, 0xfffffffd, 1},
                                 {22, 0xffffc000, 1}, {22, 0xffffbfff, 0}, {22, 0x80000000, 0}, {28, 8, 0},
                                 {28, 16, 0},         {28, 32, 0},         {30, 1, 0},          {30, 3, 0}};
    for (const auto& kind : kinds) {
        Bytes bytes = plain;
        putLe(bytes, kind[0], kind[1]);
        BmpHeader h;
        decodeBmpHeader(bytes.data(), &h);
        EXPECT_EQ(kind[2] == 1, bmpHeaderSupported(h)) << "offset " << kind[0] << " value " << kind[1];
    }
}

// Decoded, encoded, read and written through Image against hand-written files; top-down rows are written bottom-up.
TEST(ImageBmp, gradients_of_every_row_padding_and_order_round_trip_byte_for_byte) {
    ScratchDir dir;
    for (int width = 1; width <= 5; ++width)
        for (const bool topDown : {false, true}) {
            SCOPED_TRACE(testing::Message() << width << (topDown ? " top down" : ""));
            const Bytes file = makeBmp(width, 3, -1, topDown), plain = makeBmp(width, 3);
            Picture back;
            BmpLayout layout;
            ASSERT_EQ(BmpRead::kRead, decodeBmp(file.data(), file.size(), &back, &layout));
            EXPECT_TRUE(sameBytes(plain, encodeBmp24(width, 3, back.rgb.data(), 2835)));
            writeFile(dir.path("in.bmp"), file);
            Image image;
            ASSERT_EQ(1, image.loadBMP(dir.path("in.bmp").c_str()));
            EXPECT_TRUE(sameBytes(gradient(width, 3), topFirst(image)));
            ASSERT_EQ(1, image.writeBMP(dir.path("out.bmp").c_str()));
            EXPECT_TRUE(sameBytes(plain, readFile<Bytes>(dir.path("out.bmp"))));  // the plain header too
        }
}

// A refused header is reported and leaves the old picture; a wrong pixel array size is no reason to refuse.
TEST(ImageBmp, refuses_other_kinds_and_short_files_but_not_a_wrong_pixel_array_size) {
    ScratchDir dir;
    writeFile(dir.path("before.bmp"), makeBmp(5, 3));
    const std::string file = dir.path("k.bmp");
    const struct {
        size_t at;  // the 32-bit field set to value, and cut bytes cut off
        uint32_t value;
        size_t cut;
        std::string said;
    } kinds[] = {{28, 32, 0, "Not a 24-bit uncompressed bitmap: " + file + "\n"},
                 {34, 5, 0, ""},
                 {34, 0xfffffff0, 0, ""},
                 {2, 66, 1, "Error loading file!\n"}};  // a wrong file size and a byte short
    for (const auto& kind : kinds) {
        SCOPED_TRACE(&kind - kinds);
        Bytes bytes = makeBmp(4, 3);
        putLe(bytes, kind.at, kind.value);
        bytes.resize(bytes.size() - kind.cut);
        writeFile(file, bytes);
        Image image;
        ASSERT_EQ(1, image.loadBMP(dir.path("before.bmp").c_str()));
        testing::internal::CaptureStdout();
        const int loaded = image.loadBMP(file.c_str());
        EXPECT_EQ(kind.said, testing::internal::GetCapturedStdout());
        EXPECT_EQ(kind.said.empty(), loaded == 1);
        EXPECT_TRUE(sameBytes(kind.said.empty() ? gradient(4, 3) : gradient(5, 3), topFirst(image)));
    }
}

TEST(ImageBmp, files_that_cannot_be_opened_name_the_reason) {
    ScratchDir dir;
    writeFile(dir.path("skin.bmp"), makeBmp(4, 4));
    std::filesystem::create_directory(dir.path("folder.bmp"));
    Image image;
    ASSERT_EQ(1, image.loadBMP(dir.path("skin.bmp").c_str()));
    const struct {
        std::string file, read, written;
    } cases[] = {
        {dir.path("gone/a.bmp"), "File not found : " + dir.path("gone/a.bmp"),
         "cannot write " + dir.path("gone/a.bmp") + ": " + dir.path("gone") + ": No such file or directory"},
        {dir.path("skin.bmp/a.bmp"), "cannot read " + dir.path("skin.bmp/a.bmp") + ": Not a directory",
         "cannot write " + dir.path("skin.bmp/a.bmp") + ": Not a directory"},
        {dir.path("folder.bmp"), "", "cannot write " + dir.path("folder.bmp") + ": Is a directory"},
    };
    for (const auto& c : cases) {
        if (!c.read.empty()) {
            testing::internal::CaptureStdout();
            EXPECT_EQ(0, image.loadBMP(c.file.c_str()));
            EXPECT_EQ(0, image.reloadBMP(c.file.c_str()));
            EXPECT_EQ(c.read + "\n" + c.read + "\n", testing::internal::GetCapturedStdout());
        }
        testing::internal::CaptureStdout();
        EXPECT_EQ(0, image.writeBMP(c.file.c_str()));
        EXPECT_EQ(c.written + "\n", testing::internal::GetCapturedStdout());
    }
    EXPECT_TRUE(sameBytes(makeBmp(4, 4), readFile<Bytes>(dir.path("skin.bmp"))));
}

}  // namespace
