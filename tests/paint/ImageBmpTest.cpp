// BMP reading and writing: gradients of every row padding, files compared
// with ImageMagick's own reading, refused kinds, short files and lying sizes,
// and a failed write that must leave the old skin intact.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <iterator>

#include "paint/Image.h"
#include "tests/paint/PaintTestSupport.h"

using namespace painttest;

namespace {

// The picture as read, top row first.
std::vector<unsigned char> topFirst(Image& image)
{
    std::vector<unsigned char> rgb;
    const size_t row = 3 * static_cast<size_t>(image.width());
    for (int y = image.height() - 1; image.pixels() && y >= 0; --y)
        rgb.insert(rgb.end(), image.pixels() + y * row, image.pixels() + (y + 1) * row);
    return rgb;
}

TEST(ImageBmp, gradients_of_every_row_padding_round_trip_byte_for_byte)
{
    ScratchDir dir;
    for (int width = 1; width <= 5; ++width) {
        BmpSpec spec;
        spec.width = width;
        writeFile(dir.path("in.bmp"), makeBmp(spec));
        Image image;
        ASSERT_EQ(1, image.loadBMP(dir.path("in.bmp").c_str())) << width;
        EXPECT_EQ(gradient(width, 3), topFirst(image)) << width;
        ASSERT_EQ(1, image.writeBMP(dir.path("out.bmp").c_str()));
        EXPECT_EQ(makeBmp(spec), readFile(dir.path("out.bmp"))) << width;  // the plain header too
    }
}

TEST(ImageBmp, reads_as_imagemagick_does_and_writes_what_it_reads_alike)
{
    // ImageMagick's default flavour (124-byte header), its plain 24-bit
    // flavour, and rows stored top first; all of odd widths.
    ScratchDir dir;
    const std::string files[] = {dir.path("default.bmp"), dir.path("plain.bmp"), dir.path("top.bmp")};
    ASSERT_EQ(0, run(convertTool() + " -size 5x3 gradient:red-blue -type truecolor '" + files[0] + "'"));
    ASSERT_EQ(0, run(convertTool() + " -seed 4 -size 7x4 plasma:fractal -type truecolor BMP3:'" + files[1] + "'"));
    BmpSpec top;
    top.width = 5;
    top.top_down = true;
    writeFile(files[2], makeBmp(top));
    for (const std::string& file : files) {
        Image image;
        int w = 0, h = 0;
        std::vector<unsigned char> rgb;
        ASSERT_EQ(1, image.loadBMP(file.c_str())) << file;
        ASSERT_TRUE(magickPixels(file, &w, &h, &rgb)) << file;
        EXPECT_EQ(rgb, topFirst(image)) << file;
        ASSERT_EQ(1, image.writeBMP(dir.path("w.bmp").c_str()));
        ASSERT_TRUE(magickPixels(dir.path("w.bmp"), &w, &h, &rgb));
        EXPECT_EQ(rgb, topFirst(image)) << file << " as written";
    }
}

TEST(ImageBmp, refuses_other_kinds_and_short_files_but_not_a_wrong_pixel_array_size)
{
    ScratchDir dir;
    BmpSpec before;
    before.width = 5;
    writeFile(dir.path("before.bmp"), makeBmp(before));
    const std::string file = dir.path("k.bmp"), refused = "Not a 24-bit uncompressed bitmap: " + file + "\n";
    // A 4 x 3 file with the 32-bit field at offset `at` set to value, and what
    // loading it prints ("" when it loads).
    const struct { size_t at; uint32_t value; std::string said; } kinds[] = {
        {28, 8, refused},  // bits per pixel: a palette
        {28, 32, refused},
        {30, 1, refused},  // compression: run-length
        {18, 0, refused},  // width
        {18, 16385, refused},
        {34, 5, ""},  // pixel array size: the rows decide it
        {34, 0xfffffff0, ""},
        {2, 66, "Error loading file!\n"},  // file size unchanged, but the last byte cut off below
    };
    for (const auto& kind : kinds) {
        SCOPED_TRACE(&kind - kinds);
        std::vector<unsigned char> bytes = makeBmp(BmpSpec());
        for (int i = 0; i < 4; ++i)
            bytes[kind.at + i] = (kind.value >> (8 * i)) & 0xff;
        if (kind.at == 2)
            bytes.pop_back();
        writeFile(file, bytes);
        Image image;
        ASSERT_EQ(1, image.loadBMP(dir.path("before.bmp").c_str()));
        testing::internal::CaptureStdout();
        const int loaded = image.loadBMP(file.c_str());
        EXPECT_EQ(kind.said, testing::internal::GetCapturedStdout());
        EXPECT_EQ(kind.said.empty(), loaded == 1);
        EXPECT_EQ(kind.said.empty() ? gradient(4, 3) : gradient(5, 3), topFirst(image));  // else the old picture
    }
}

TEST(ImageBmp, failed_write_keeps_the_old_file)
{
    ScratchDir dir;
    BmpSpec skin;
    skin.width = skin.height = 32;
    writeFile(dir.path("skin.bmp"), makeBmp(skin));
    Image image;
    ASSERT_EQ(1, image.loadBMP(dir.path("skin.bmp").c_str()));
    // No file may grow past 1000 bytes, so writing it back fails part way through.
    rlimit saved;
    ASSERT_EQ(0, getrlimit(RLIMIT_FSIZE, &saved));
    const rlimit small = {1000, saved.rlim_max};
    void (*handler)(int) = signal(SIGXFSZ, SIG_IGN);
    testing::internal::CaptureStdout();
    setrlimit(RLIMIT_FSIZE, &small);
    const int written = image.writeBMP(dir.path("skin.bmp").c_str());
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, handler);
    EXPECT_EQ("Error writing file!\n", testing::internal::GetCapturedStdout());
    EXPECT_EQ(0, written);
    EXPECT_EQ(makeBmp(skin), readFile(dir.path("skin.bmp")));
    EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(dir.root()), {}));  // no stray file
}

}  // namespace
