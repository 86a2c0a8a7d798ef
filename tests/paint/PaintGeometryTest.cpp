// Distances, angles, the opacity falloff and colour bytes of the painter.
#include <gtest/gtest.h>

#include <cmath>

#include "paint/PaintGeometry.h"

namespace {

TEST(PaintGeometry, distances_to_points_and_segments)
{
    const float a[3] = {1, 1, 1}, b[3] = {4, 5, 1};
    EXPECT_FLOAT_EQ(5.0f, distanceBetween(a, b));

    const float o[3] = {0, 0, 0}, e[3] = {4, 0, 0};
    const float above[3] = {1, 3, 0}, before[3] = {-3, 4, 0}, after[3] = {7, 0, 4};
    EXPECT_FLOAT_EQ(0.25f, nearestPointOnLine(o, e, above));
    EXPECT_FLOAT_EQ(0.0f, nearestPointOnLine(o, e, before));
    EXPECT_FLOAT_EQ(1.0f, nearestPointOnLine(o, e, after));
    EXPECT_FLOAT_EQ(3.0f, distanceToLine(o, e, above));
    EXPECT_FLOAT_EQ(5.0f, distanceToLine(o, e, before));
    EXPECT_FLOAT_EQ(5.0f, distanceToLine(o, e, after));

    // A segment of zero length has no nearest point: every comparison fails.
    EXPECT_TRUE(std::isnan(nearestPointOnLine(a, a, b)));
    EXPECT_FALSE(distanceToLine(a, a, b) < 100.0f);
}

TEST(PaintGeometry, angles_between_directions)
{
    const float c[3] = {1, 1, 0}, px[3] = {3, 1, 0}, py[3] = {1, 5, 0}, mx[3] = {-2, 1, 0};
    EXPECT_NEAR(M_PI / 2, calcAngle(c, px, py), 1e-6);
    EXPECT_NEAR(M_PI, calcAngle(c, px, mx), 1e-6);
    // A direction of zero length is reported and counts as a right angle.
    testing::internal::CaptureStdout();
    EXPECT_NEAR(M_PI / 2, calcAngle(c, c, px), 1e-6);
    EXPECT_EQ("zero length vector", testing::internal::GetCapturedStdout());
}

TEST(PaintGeometry, falloff_is_flat_inside_solid_radius_then_linear)
{
    EXPECT_DOUBLE_EQ(0.5, brushFalloff(0.5, 0.3f, 0.6f, 1.0f));
    EXPECT_NEAR(0.25, brushFalloff(0.5, 0.8f, 0.6f, 1.0f), 1e-6);
    EXPECT_NEAR(0.0, brushFalloff(0.5, 1.0f, 0.6f, 1.0f), 1e-7);
    EXPECT_NEAR(0.5 * 0.75, brushFalloff(0.5, 2.5f, 2.0f, 4.0f), 1e-7);
    EXPECT_DOUBLE_EQ(0.7, brushFalloff(0.7, 0.99f, 1.5f, 1.0f));  // solid radius beyond the outer one
}

TEST(PaintGeometry, colour_bytes_truncate_and_wrap)
{
    EXPECT_EQ(255, paintColorByte(1.0));
    EXPECT_EQ(127, paintColorByte(0.5));
    EXPECT_EQ(0, paintColorByte(0.0));
    EXPECT_EQ(126, paintColorByte(1.5));   // 382 mod 256
    EXPECT_EQ(129, paintColorByte(-0.5));  // -127 mod 256
    EXPECT_EQ(0, paintColorByte(std::nan("")));
    EXPECT_EQ(0, paintColorByte(1e12));  // 255e12 is a multiple of 2^12
}

}  // namespace
