// The frame-rate overlay (smoothed frames per second, rests left out, its texts) and the projection it is drawn with.
#include <gtest/gtest.h>

#include <chrono>

#include "tests/paint/PaintTestSupport.h"
#include "viewer/FrameRateMeter.h"
#include "viewer/Render.h"

using std::chrono::microseconds;
using std::chrono::milliseconds;

TEST(FrameRateMeter, the_first_frame_starts_the_clock_and_each_next_one_moves_a_tenth_of_the_way) {
    FrameRateMeter meter;
    const FrameRateMeter::Clock::time_point start{std::chrono::seconds(1000)};
    EXPECT_DOUBLE_EQ(meter.frameAt(start), 50.0);
    // Each frame's time after the first and the rate its interval gives, to the microsecond; no time counts as 100.
    const std::pair<microseconds, double> frames[] = {{milliseconds(40), 25.0},
                                                      {milliseconds(50), 100.0},
                                                      {milliseconds(50), 100.0},
                                                      {microseconds(66667), 1e6 / 16667}};
    double shown = 50.0;
    for (const auto& [at, rate] : frames) {
        shown = shown * 0.9 + rate * 0.1;
        EXPECT_DOUBLE_EQ(meter.frameAt(start + at), shown) << at.count();
    }
}

TEST(FrameRateMeter, a_rest_of_the_window_is_left_out_and_the_number_carries_on) {
    const struct {
        FrameRateMeter::Clock::duration gap;
        bool counted;
    } cases[] = {
        {FrameRateMeter::kLongestCountedGap, true},
        {FrameRateMeter::kLongestCountedGap + microseconds(1), false},
    };
    for (const auto& c : cases) {
        FrameRateMeter meter;
        FrameRateMeter::Clock::time_point now{};
        for (int i = 0; i < 100; ++i)  // a steady 25 frames a second
            meter.frameAt(now += milliseconds(40));
        const double before = meter.shown();
        now += c.gap;
        const double rest_rate = 1.0 / std::chrono::duration<double>(c.gap).count();
        const double after_rest = meter.frameAt(now);
        EXPECT_DOUBLE_EQ(after_rest, c.counted ? before * 0.9 + rest_rate * 0.1 : before);
        // The frame that ended the rest is where the next interval starts.
        EXPECT_DOUBLE_EQ(meter.frameAt(now + milliseconds(40)), after_rest * 0.9 + 25.0 * 0.1);
    }
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

TEST(Projection, a_wide_window_shows_more_across_than_up) {
    if (!painttest::ensureGlContext())
        GTEST_SKIP() << "no display";
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    setUpProjection(400, 200);
    GLfloat m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    EXPECT_NEAR(2.0f, m[5] / m[0], 1e-5f);  // x is squeezed by the aspect ratio, y is not
}
