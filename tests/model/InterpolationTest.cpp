// The interpolation formulas on their own.
#include <gtest/gtest.h>

#include <cmath>

#include "model/Interpolation.h"

TEST(InterpolationTest, sine_ease_starts_and_ends_at_rest)
{
    EXPECT_NEAR(0.0, sineEase(0.0), 1e-15);
    EXPECT_NEAR(0.5, sineEase(0.5), 1e-15);
    EXPECT_NEAR(1.0, sineEase(1.0), 1e-15);
    // (1 - cos(pi/4)) / 2 and its mirror image.
    EXPECT_NEAR((1.0 - std::sqrt(0.5)) / 2.0, sineEase(0.25), 1e-15);
    EXPECT_NEAR(1.0 - (1.0 - std::sqrt(0.5)) / 2.0, sineEase(0.75), 1e-15);
    EXPECT_NEAR(3.0 + 4.0 * 0.5, interpolateSine(3.0, 4.0, 0.5), 1e-15);
    EXPECT_EQ(interpolateSine(-2.0, 7.0, 0.3), interpolateHarmonic(-2.0, 7.0, 0.3));
}

TEST(InterpolationTest, bezier_passes_its_end_points_and_weights_its_controls)
{
    EXPECT_EQ(2.0, cubicBezier(2.0, 9.0, -9.0, 5.0, 0.0));
    EXPECT_EQ(5.0, cubicBezier(2.0, 9.0, -9.0, 5.0, 1.0));
    // At t = 1/2 the weights are 1/8, 3/8, 3/8, 1/8.
    EXPECT_DOUBLE_EQ((2.0 + 3 * 9.0 + 3 * -9.0 + 5.0) / 8.0, cubicBezier(2.0, 9.0, -9.0, 5.0, 0.5));
    // At t = 1/3: 8/27, 12/27, 6/27, 1/27.
    EXPECT_NEAR((8 * 1.0 + 12 * 2.0 + 6 * 4.0 + 8.0) / 27.0, cubicBezier(1.0, 2.0, 4.0, 8.0, 1.0 / 3.0), 1e-14);
}

TEST(InterpolationTest, catmull_rom_passes_its_inner_points_with_their_slopes)
{
    EXPECT_EQ(1.0, catmullRom(7.0, 1.0, 3.0, -4.0, 0.0));
    EXPECT_DOUBLE_EQ(3.0, catmullRom(7.0, 1.0, 3.0, -4.0, 1.0));
    // At t = 1/2 the weights are -1/16, 9/16, 9/16, -1/16.
    EXPECT_DOUBLE_EQ((-7.0 + 9 * 1.0 + 9 * 3.0 + 4.0) / 16.0, catmullRom(7.0, 1.0, 3.0, -4.0, 0.5));
    // Evenly spaced points lie on a straight line.
    for (double t : {0.1, 0.37, 0.8})
        EXPECT_NEAR(1.0 + t, catmullRom(0.0, 1.0, 2.0, 3.0, t), 1e-15);
}
