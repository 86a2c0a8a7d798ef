// Frame-rate smoothing and the overlay texts.
#include <gtest/gtest.h>

#include "viewer/FrameRateMeter.h"
#include "viewer/Render.h"

TEST(FrameRate, moves_a_tenth_of_the_way_and_counts_no_elapsed_time_as_100) {
    EXPECT_DOUBLE_EQ(smoothFrameRate(50.0, 0.0, 1e6), 55.0);
    EXPECT_DOUBLE_EQ(smoothFrameRate(50.0, 40000.0, 1e6), 50.0 * 0.9 + 25.0 * 0.1);  // 40 ms: 25 a second
}

TEST(OverlayText, formats_and_reports_overflow) {
    char buf[40];
    const double pos[3] = {0.0, 12.0, -2.0};
    EXPECT_TRUE(formatPos(buf, 40, pos));
    EXPECT_STREQ(buf, "pos: (0.00, 12.00, -2.00)");
    EXPECT_TRUE(formatFPS(buf, 20, 55.0));
    EXPECT_STREQ(buf, "fps: 55.00");
    testing::internal::CaptureStdout();
    EXPECT_FALSE(formatFPS(buf, 20, 1e12));  // cut to the 19 characters that fit
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "FPS string buffer overflow error [fps: 1000000000000.]!\n");
}
