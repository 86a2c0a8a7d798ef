// Pixel access: bounds, blending with truncation, opacity clamping.
#include <gtest/gtest.h>

#include <cmath>

#include "paint/Image.h"
#include "tests/paint/PaintTestSupport.h"

namespace {

class ImagePixels : public testing::Test {
protected:
    void SetUp() override
    {
        painttest::BmpSpec spec;
        spec.width = 3;  // padded rows in the file
        spec.height = 2;
        spec.fill = 200;
        painttest::writeFile(dir.path("p.bmp"), painttest::makeBmp(spec));
        ASSERT_EQ(1, image.loadBMP(dir.path("p.bmp").c_str()));
    }

    int channel(int x, int y, int c)
    {
        unsigned char px[3];
        EXPECT_EQ(1, image.get(x, y, px));
        return px[c];
    }

    painttest::ScratchDir dir;
    Image image;
};

TEST_F(ImagePixels, outside_pixels_are_absent)
{
    unsigned char out[3] = {9, 9, 9};
    unsigned char colour[3] = {0, 0, 0};
    for (auto xy : {std::make_pair(3, 0), std::make_pair(0, 2), std::make_pair(-1, 0), std::make_pair(0, -1)}) {
        EXPECT_EQ(0, image.get(xy.first, xy.second, out));
        EXPECT_EQ(0, image.set(xy.first, xy.second, colour, 1.0));
    }
    EXPECT_EQ(9, out[0]);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(200, channel(x, y, 0));
    Image empty;
    EXPECT_EQ(0, empty.get(0, 0, out));
}

TEST_F(ImagePixels, set_blends_truncates_and_clamps_opacity)
{
    unsigned char colour[3] = {100, 255, 0};
    ASSERT_EQ(1, image.set(1, 1, colour, 0.5));
    EXPECT_EQ(150, channel(1, 1, 0));  // 100 * 0.5 + 200 * 0.5
    EXPECT_EQ(227, channel(1, 1, 1));  // 127.5 + 100 = 227.5, truncated
    EXPECT_EQ(100, channel(1, 1, 2));
    EXPECT_EQ(200, channel(0, 1, 0));  // neighbours untouched
    EXPECT_EQ(200, channel(2, 1, 0));
    EXPECT_EQ(200, channel(1, 0, 0));

    unsigned char black[3] = {0, 0, 0}, white[3] = {255, 255, 255};
    image.set(0, 0, black, 1.0);
    image.set(0, 0, white, 0.3);
    EXPECT_EQ(76, channel(0, 0, 0));  // 76.5, truncated
    image.set(1, 0, colour, 2.0);      // as 1
    EXPECT_EQ(255, channel(1, 0, 1));
    image.set(2, 0, colour, -1.0);     // as 0
    image.set(2, 0, colour, std::nan(""));
    EXPECT_EQ(200, channel(2, 0, 1));

    image.swapRedBlue();
    EXPECT_EQ(0, channel(1, 0, 0));
    EXPECT_EQ(100, channel(1, 0, 2));
}

}  // namespace
