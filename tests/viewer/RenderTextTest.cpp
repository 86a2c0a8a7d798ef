// Frame-rate smoothing and the overlay texts.
#include <gtest/gtest.h>

#include <string>

#include "viewer/Render.h"

TEST(FrameRate, first_sample_without_elapsed_time_counts_as_100) {
    EXPECT_DOUBLE_EQ(smoothFrameRate(50.0, 0.0, 1e6), 55.0);
    // 20 ms of processor time is 50 frames a second: the average stays.
    EXPECT_DOUBLE_EQ(smoothFrameRate(50.0, 20000.0, 1e6), 50.0);
    EXPECT_DOUBLE_EQ(smoothFrameRate(50.0, 10000.0, 1e6), 50.0 * 0.9 + 100.0 * 0.1);
}

TEST(OverlayText, formats_and_reports_overflow) {
    char buf[40];
    const double start[3] = {0.0, 12.0, -2.0};
    EXPECT_TRUE(formatPos(buf, 40, start));
    EXPECT_STREQ(buf, "pos: (0.00, 12.00, -2.00)");
    EXPECT_TRUE(formatFPS(buf, 20, 55.0));
    EXPECT_STREQ(buf, "fps: 55.00");

    testing::internal::CaptureStdout();
    EXPECT_FALSE(formatFPS(buf, 20, 1e12));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "FPS string buffer overflow error [fps: 1000000000000.]!\n");
    const double far[3] = {1e9, 1e9, 1e9};
    testing::internal::CaptureStdout();
    EXPECT_FALSE(formatPos(buf, 40, far));
    EXPECT_EQ(std::string(buf).size(), 39u);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("pos string buffer overflow error [pos: (1000000000.00"),
              std::string::npos);
}
