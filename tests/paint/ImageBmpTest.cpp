// BMP reading and writing on files built byte by byte: round trips for every
// row padding, top-down rows, refused kinds, short and lying headers, and
// writes that must not leave a broken skin behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "paint/BmpFormat.h"
#include "paint/Image.h"
#include "tests/paint/PaintTestSupport.h"

using painttest::BmpSpec;
using painttest::ScratchDir;

namespace {

// Every pixel of image equals the test gradient.
void expectGradient(Image& image, int width, int height)
{
    ASSERT_EQ(width, image.width());
    ASSERT_EQ(height, image.height());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            unsigned char want[3], got[3];
            painttest::gradientPixel(x, y, want);
            ASSERT_EQ(1, image.get(x, y, got));
            ASSERT_EQ(std::vector<int>(want, want + 3), std::vector<int>(got, got + 3)) << x << "," << y;
        }
}

std::string loadOutput(Image& image, const std::string& file, int* result)
{
    testing::internal::CaptureStdout();
    *result = image.loadBMP(file.c_str());
    return testing::internal::GetCapturedStdout();
}

TEST(BmpHeader, decodes_fields_little_endian)
{
    unsigned char b[54] = {'B', 'M', 0x36, 0x01, 0, 0};
    b[10] = 54;
    b[14] = 40;
    b[18] = 0x01;  // width 0x0201
    b[19] = 0x02;
    b[22] = 0xfd;  // height -3
    b[23] = b[24] = b[25] = 0xff;
    b[28] = 24;
    b[34] = 0x10;  // image_size 0x10000010
    b[37] = 0x10;
    Image::BMPHeader h;
    decodeBmpHeader(b, &h);
    EXPECT_EQ(0x4D42, h.magic);
    EXPECT_EQ(0x136u, h.file_size);
    EXPECT_EQ(54u, h.data_offset);
    EXPECT_EQ(40u, h.header_size);
    EXPECT_EQ(0x201, h.width);
    EXPECT_EQ(-3, h.height);
    EXPECT_EQ(24, h.bpp);
    EXPECT_EQ(0x10000010u, h.image_size);
    unsigned char again[54];
    encodeBmpHeader(h, again);
    EXPECT_TRUE(std::equal(b, b + 54, again));
}

TEST(ImageBmp, plain_files_of_every_padding_round_trip_byte_for_byte)
{
    ScratchDir dir;
    for (int width = 1; width <= 8; ++width) {
        SCOPED_TRACE(width);
        BmpSpec spec;
        spec.width = width;
        spec.height = 3;
        std::vector<unsigned char> bytes = painttest::makeBmp(spec);
        painttest::writeFile(dir.path("in.bmp"), bytes);
        Image image;
        ASSERT_EQ(1, image.loadBMP(dir.path("in.bmp").c_str()));
        expectGradient(image, width, 3);
        ASSERT_EQ(1, image.writeBMP(dir.path("out.bmp").c_str()));
        EXPECT_EQ(bytes, painttest::readFile(dir.path("out.bmp")));
        expectGradient(image, width, 3);  // colours in memory stay red first
    }
}

TEST(ImageBmp, top_down_and_extended_files_load_bottom_up_and_write_plain)
{
    ScratchDir dir;
    BmpSpec spec;
    spec.width = 5;
    spec.height = 4;
    spec.top_down = true;
    spec.header_size = 124;
    spec.data_offset = 200;  // a gap after the info header
    painttest::writeFile(dir.path("odd.bmp"), painttest::makeBmp(spec));
    Image image;
    ASSERT_EQ(1, image.loadBMP(dir.path("odd.bmp").c_str()));
    expectGradient(image, 5, 4);
    ASSERT_EQ(1, image.writeBMP(dir.path("plain.bmp").c_str()));

    BmpSpec plain;
    plain.width = 5;
    plain.height = 4;
    std::vector<unsigned char> want = painttest::makeBmp(plain);
    std::vector<unsigned char> got = painttest::readFile(dir.path("plain.bmp"));
    ASSERT_EQ(want.size(), got.size());
    Image::BMPHeader h;
    decodeBmpHeader(got.data(), &h);
    EXPECT_EQ(54u, h.data_offset);
    EXPECT_EQ(40u, h.header_size);
    EXPECT_EQ(4, h.height);
    EXPECT_EQ(16u * 4, h.image_size);
    EXPECT_EQ(got.size(), h.file_size);
    EXPECT_TRUE(std::equal(want.begin() + 54, want.end(), got.begin() + 54));  // pixels and padding
}

TEST(ImageBmp, refuses_every_other_kind_and_keeps_its_picture)
{
    ScratchDir dir;
    BmpSpec good;
    painttest::writeFile(dir.path("good.bmp"), painttest::makeBmp(good));
    std::vector<BmpSpec> bad(9, good);
    bad[0].bpp = 8;
    bad[1].bpp = 16;
    bad[2].bpp = 32;
    bad[3].compression = 1;
    bad[4].width_field = 0;
    bad[5].height = 0;
    bad[6].width_field = 16385;
    bad[7].header_size = 12;
    bad[8].width_field = -4;
    for (size_t i = 0; i < bad.size(); ++i) {
        SCOPED_TRACE(i);
        std::string name = dir.path("bad" + std::to_string(i) + ".bmp");
        painttest::writeFile(name, painttest::makeBmp(bad[i]));
        Image image;
        ASSERT_EQ(1, image.loadBMP(dir.path("good.bmp").c_str()));
        int result;
        EXPECT_EQ("Not a 24-bit uncompressed bitmap: " + name + "\n", loadOutput(image, name, &result));
        EXPECT_EQ(0, result);
        expectGradient(image, good.width, good.height);
    }
}

TEST(ImageBmp, short_files_and_lying_headers)
{
    ScratchDir dir;
    BmpSpec spec;
    spec.width = 3;
    spec.height = 2;
    std::vector<unsigned char> bytes = painttest::makeBmp(spec);
    Image image;
    int result;

    painttest::writeFile(dir.path("cut.bmp"), std::vector<unsigned char>(bytes.begin(), bytes.end() - 1));
    EXPECT_EQ("Error loading file!\n", loadOutput(image, dir.path("cut.bmp"), &result));
    EXPECT_EQ(0, result);
    EXPECT_EQ(nullptr, image.pixels());

    painttest::writeFile(dir.path("head.bmp"), std::vector<unsigned char>(bytes.begin(), bytes.begin() + 53));
    EXPECT_EQ("Error reading file\n", loadOutput(image, dir.path("head.bmp"), &result));

    std::vector<unsigned char> notbm = bytes;
    notbm[1] = 'A';
    painttest::writeFile(dir.path("ba.bmp"), notbm);
    EXPECT_EQ("Not a bitmap file\n", loadOutput(image, dir.path("ba.bmp"), &result));

    EXPECT_EQ("File not found : " + dir.path("none.bmp") + "\n", loadOutput(image, dir.path("none.bmp"), &result));

    // A height the file cannot hold fails before anything is allocated for it.
    BmpSpec tall = spec;
    tall.height = 16384;
    std::vector<unsigned char> tall_bytes = painttest::makeBmp(tall);
    tall_bytes.resize(400);
    painttest::writeFile(dir.path("tall.bmp"), tall_bytes);
    EXPECT_EQ("Error loading file!\n", loadOutput(image, dir.path("tall.bmp"), &result));

    BmpSpec far = spec;
    far.data_offset = 4000;  // pixels start past the end
    std::vector<unsigned char> far_bytes = painttest::makeBmp(far);
    far_bytes.resize(100);
    painttest::writeFile(dir.path("far.bmp"), far_bytes);
    EXPECT_EQ("Error loading file!\n", loadOutput(image, dir.path("far.bmp"), &result));

    // Wrong pixel-array sizes are replaced by what the rows need.
    for (int64_t claimed : {int64_t(0), int64_t(5), int64_t(0xfffffff0)}) {
        BmpSpec lying = spec;
        lying.image_size = claimed;
        painttest::writeFile(dir.path("size.bmp"), painttest::makeBmp(lying));
        EXPECT_EQ("", loadOutput(image, dir.path("size.bmp"), &result));
        ASSERT_EQ(1, result);
        EXPECT_EQ(12u * 2, image.getHeader().image_size);  // rows of 9 bytes padded to 12
        EXPECT_EQ(3u * 3 * 2, image.pixelBytes());
        expectGradient(image, 3, 2);
    }

    // An offset inside the header is taken as 54.
    std::vector<unsigned char> low = bytes;
    low[10] = 20;
    painttest::writeFile(dir.path("low.bmp"), low);
    EXPECT_EQ("fixing offset (should be 54)\n", loadOutput(image, dir.path("low.bmp"), &result));
    EXPECT_EQ(1, result);
    EXPECT_EQ(54u, image.getHeader().data_offset);
    expectGradient(image, 3, 2);
}

TEST(ImageBmp, failed_write_leaves_no_file_behind)
{
    ScratchDir dir;
    painttest::writeFile(dir.path("a.bmp"), painttest::makeBmp(BmpSpec()));
    Image image;
    ASSERT_EQ(1, image.loadBMP(dir.path("a.bmp").c_str()));

    std::string missing = dir.path("no/such/dir.bmp");
    testing::internal::CaptureStdout();
    EXPECT_EQ(0, image.writeBMP(missing.c_str()));
    EXPECT_EQ("File not found : " + missing + "\n", testing::internal::GetCapturedStdout());

    // A directory in the way: the rename fails after the data was written.
    ASSERT_EQ(0, painttest::run("mkdir '" + dir.path("taken.bmp") + "' && touch '" + dir.path("taken.bmp/x") + "'"));
    testing::internal::CaptureStdout();
    EXPECT_EQ(0, image.writeBMP(dir.path("taken.bmp").c_str()));
    EXPECT_EQ("Error writing file!\n", testing::internal::GetCapturedStdout());
    std::vector<std::string> names = dir.entries();
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::string>{"a.bmp", "taken.bmp"}), names);

    // A good write replaces the target in one piece.
    painttest::writeFile(dir.path("b.bmp"), std::vector<unsigned char>(3, 'x'));
    EXPECT_EQ(1, image.writeBMP(dir.path("b.bmp").c_str()));
    EXPECT_EQ(painttest::readFile(dir.path("a.bmp")), painttest::readFile(dir.path("b.bmp")));
    EXPECT_EQ(3u, dir.entries().size());
}

TEST(ImageFiles, extensions_choose_the_file_and_the_name_kept)
{
    ScratchDir dir;
    painttest::writeFile(dir.path("skin.bmp"), painttest::makeBmp(BmpSpec()));

    for (const char* name : {"skin.BMP", "skin.Pcx", "skin"}) {
        std::string file = dir.path(name);
        std::string ext = std::string(name).find('.') == std::string::npos ? "" : std::string(name).substr(4);
        testing::internal::CaptureStderr();
        EXPECT_EQ(nullptr, Image::load(&file));
        EXPECT_EQ("unsupported file type '" + ext + "', image '" + file + "' not loaded.\n",
                  testing::internal::GetCapturedStderr());
    }

    std::string pcx = dir.path("skin.pcx");
    Image* image = Image::load(&pcx);
    ASSERT_NE(nullptr, image);
    EXPECT_EQ(pcx, image->getFilename());
    expectGradient(*image, 4, 3);

    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(0, image->save());
    EXPECT_EQ("unsupported file type '.pcx', image '" + pcx + "' not written.\n",
              testing::internal::GetCapturedStderr());
    EXPECT_EQ("saving image: " + pcx + "\n", testing::internal::GetCapturedStdout());
    delete image;
}

TEST(ImageFiles, reload_keeps_the_size_unless_through_a_pcx_name)
{
    ScratchDir dir;
    BmpSpec small, big;
    big.width = 6;
    painttest::writeFile(dir.path("small.bmp"), painttest::makeBmp(small));
    painttest::writeFile(dir.path("big.bmp"), painttest::makeBmp(big));
    BmpSpec flipped = small;
    flipped.top_down = true;
    painttest::writeFile(dir.path("flipped.bmp"), painttest::makeBmp(flipped));

    std::string name = dir.path("small.bmp");
    Image* image = Image::load(&name);
    ASSERT_NE(nullptr, image);
    unsigned char dot[3] = {1, 2, 3};
    image->set(0, 0, dot, 1.0);

    std::string other = dir.path("big.bmp");
    testing::internal::CaptureStdout();
    EXPECT_EQ(0, image->reloadImage(&other));
    EXPECT_EQ("image/texture dimension mismatch! Cannot load texture '" + other + "'.\n",
              testing::internal::GetCapturedStdout());
    unsigned char got[3];
    image->get(0, 0, got);
    EXPECT_EQ(1, got[0]);
    EXPECT_EQ(name, image->getFilename());

    std::string same = dir.path("flipped.bmp");
    EXPECT_EQ(1, image->reloadImage(&same));
    expectGradient(*image, 4, 3);
    EXPECT_EQ(same, image->getFilename());

    std::string pcx = dir.path("big.pcx");
    EXPECT_EQ(1, image->reloadImage(&pcx));
    expectGradient(*image, 6, 3);
    delete image;
}

}  // namespace
