// Files written by ImageMagick, read back and compared pixel by pixel with
// ImageMagick's own reading of the same file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "paint/BmpFormat.h"
#include "paint/Image.h"
#include "tests/paint/PaintTestSupport.h"

using painttest::ScratchDir;

namespace {

class ImageMagick : public testing::Test {
protected:
    // Runs convert with args, writing dir/name; format is a prefix such as
    // "BMP3:" that picks the flavour.
    std::string make(const std::string& args, const std::string& name, const std::string& format = "")
    {
        std::string file = dir.path(name);
        EXPECT_EQ(0, painttest::run(painttest::convertTool() + " " + args + " " + format + "'" + file + "'")) << args;
        return file;
    }

    // Our reading equals ImageMagick's: y = 0 is ImageMagick's bottom row.
    void expectSameAsMagick(Image& image, const std::string& file)
    {
        int w = 0, h = 0;
        std::vector<unsigned char> rgb;
        ASSERT_TRUE(painttest::magickPixels(file, &w, &h, &rgb)) << file;
        ASSERT_EQ(w, image.width());
        ASSERT_EQ(h, image.height());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                unsigned char got[3];
                ASSERT_EQ(1, image.get(x, y, got));
                const unsigned char* want = &rgb[3 * ((h - 1 - y) * w + x)];
                ASSERT_TRUE(got[0] == want[0] && got[1] == want[1] && got[2] == want[2])
                    << file << " pixel " << x << "," << y;
            }
    }

    ScratchDir dir;
};

TEST_F(ImageMagick, default_flavour_with_padded_rows)
{
    for (const char* size : {"5x3", "6x4", "7x2", "8x5"}) {
        std::string file = make(std::string("-size ") + size + " gradient:red-blue -type truecolor", "d.bmp");
        Image image;
        ASSERT_EQ(1, image.loadBMP(file.c_str())) << size;
        expectSameAsMagick(image, file);
        // Written back in the plain layout, which ImageMagick reads the same.
        ASSERT_EQ(1, image.writeBMP(dir.path("w.bmp").c_str()));
        Image::BMPHeader h;
        decodeBmpHeader(painttest::readFile(dir.path("w.bmp")).data(), &h);
        EXPECT_EQ(40u, h.header_size);
        EXPECT_EQ(54u, h.data_offset);
        expectSameAsMagick(image, dir.path("w.bmp"));
    }
}

TEST_F(ImageMagick, plain_flavour_is_read_and_written_back_unchanged)
{
    for (const char* size : {"5x3", "9x4"}) {
        std::string file =
            make(std::string("-seed 4 -size ") + size + " plasma:fractal -type truecolor", "p.bmp", "BMP3:");
        Image image;
        ASSERT_EQ(1, image.loadBMP(file.c_str()));
        expectSameAsMagick(image, file);
        ASSERT_EQ(1, image.writeBMP(dir.path("back.bmp").c_str()));
        EXPECT_EQ(painttest::readFile(file), painttest::readFile(dir.path("back.bmp")));
    }
}

TEST_F(ImageMagick, top_down_file_matches_its_reading)
{
    std::string plain = make("-seed 9 -size 7x5 plasma:fractal -type truecolor", "plain.bmp", "BMP3:");
    // Same pixels stored top row first, marked by a negative height.
    std::vector<unsigned char> bytes = painttest::readFile(plain);
    const size_t stride = 24, rows = 5;
    std::vector<unsigned char> flipped(bytes.begin(), bytes.begin() + 54);
    for (size_t r = 0; r < rows; ++r)
        flipped.insert(flipped.end(), bytes.begin() + 54 + (rows - 1 - r) * stride,
                       bytes.begin() + 54 + (rows - r) * stride);
    int32_t negative = -5;
    for (int i = 0; i < 4; ++i)
        flipped[22 + i] = static_cast<unsigned char>((static_cast<uint32_t>(negative) >> (8 * i)) & 0xff);
    std::string top_down = dir.path("topdown.bmp");
    painttest::writeFile(top_down, flipped);

    Image image;
    ASSERT_EQ(1, image.loadBMP(top_down.c_str()));
    expectSameAsMagick(image, top_down);
    expectSameAsMagick(image, plain);
    ASSERT_EQ(1, image.writeBMP(dir.path("w.bmp").c_str()));
    EXPECT_EQ(bytes, painttest::readFile(dir.path("w.bmp")));  // bottom-up again
}

TEST_F(ImageMagick, refused_kinds)
{
    const char* kinds[][3] = {
        {"-size 6x4 gradient:red-blue -type palette", "BMP3:", "4-bit palette"},
        {"-size 6x20 gradient:red-blue -type palette -compress none", "BMP3:", "8-bit palette"},
        {"-size 6x20 gradient:red-blue -type palette -compress RLE", "BMP3:", "8-bit RLE"},
        {"-size 6x4 gradient:red-blue -alpha set -channel A -evaluate set 50% +channel", "", "32-bit"},
        {"-size 6x4 gradient:red-blue -define bmp:subtype=RGB565", "", "16-bit"},
    };
    for (auto& kind : kinds) {
        SCOPED_TRACE(kind[2]);
        std::string file = make(kind[0], "k.bmp", kind[1]);
        Image::BMPHeader h;
        decodeBmpHeader(painttest::readFile(file).data(), &h);
        EXPECT_NE(24 * 1000 + 0, h.bpp * 1000 + h.compression);  // really another kind
        Image image;
        testing::internal::CaptureStdout();
        EXPECT_EQ(0, image.loadBMP(file.c_str()));
        EXPECT_EQ("Not a 24-bit uncompressed bitmap: " + file + "\n", testing::internal::GetCapturedStdout());
        EXPECT_EQ(nullptr, image.pixels());
    }
}

}  // namespace
