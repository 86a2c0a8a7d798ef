// The pure helpers under the engine and speed control, against figures worked
// out by hand: the interpolation curves, path sampling and frame counting.
#include <gtest/gtest.h>

#include <vector>

#include "model/Interpolation.h"
#include "model/SpeedControl.h"

TEST(CurvesTest, each_curve_meets_its_hand_worked_figures) {
    // Bezier midpoint (P0 + 3 P1 + 3 P2 + P3) / 8, Catmull-Rom midpoint (-P0 + 9 P1 + 9 P2 - P3) / 16.
    const double cases[][2] = {
        {interpolateLinear(2.0, 0.5), 2.5},
        {interpolateLinear(-1.0, -1.5), -2.5},
        {sineEase(0.0), 0.0},
        {sineEase(0.5), 0.5},
        {sineEase(1.0), 1.0},
        {sineEase(0.1), 0.0244717418524},
        {interpolateSine(3, 10, 0.1), 3.244717418524},
        {interpolateHarmonic(3, 10, 0.1), 3.244717418524},
        {interpolateHarmonic(-2, 4, 0.5), 0.0},
        {cubicBezier(1, 5, -3, 7, 0.0), 1.0},
        {cubicBezier(1, 5, -3, 7, 1.0), 7.0},
        {cubicBezier(1, 5, -3, 7, 0.5), 1.75},
        {catmullRom(10, 2, 4, -6, 0.0), 2.0},
        {catmullRom(10, 2, 4, -6, 1.0), 4.0},
        {catmullRom(10, 2, 4, -6, 0.5), 3.125},
    };
    for (const auto& c : cases)
        EXPECT_NEAR(c[1], c[0], 1e-11) << "case " << &c - cases;
}

// x = 0, 1, 2: the first segment doubles its start, the last its end. The Catmull-Rom basis on (0, 0, 1, 2)
// at 0.5 and on (0, 1, 2, 2) at 0.01 and 0.5 give {sample, t, x}:
TEST(CurvesTest, path_sampling_takes_101_then_100_samples_per_segment) {
    EXPECT_TRUE(samplePath({{0, 0, 0}, {1, 0, 0}}).empty());
    const d_table table = samplePath({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}});
    ASSERT_EQ(201u, table.size());
    const double samples[][3] = {{0, 0.0, 0.0},          {50, 0.5, 0.4375},  {100, 1.0, 1.0},
                                 {101, 1.01, 1.0100495}, {150, 1.5, 1.5625}, {200, 2.0, 2.0}};
    for (const auto& s : samples) {
        const d_table_entry& e = table[size_t(s[0])];
        EXPECT_NEAR(s[1], e.t, 1e-9) << s[0];
        EXPECT_NEAR(s[2], e.value1, 1e-9) << s[0];
        EXPECT_TRUE(e.value2 == 0.0 && e.value3 == 0.0) << s[0];
    }
    EXPECT_EQ(0.0, table.front().distance);
    EXPECT_NEAR(2.0, table.back().distance, 1e-9);
    for (size_t i = 1; i < table.size(); ++i)
        ASSERT_GE(table[i].distance, table[i - 1].distance) << i;
}

// A frame opens a new count when its parameter passes the running bound; the
// final frame's own count is handed to the last entry.
TEST(CurvesTest, frames_are_counted_into_segments) {
    const std::vector<double> params[] = {
        {}, {0.0, 0.0}, {0.0, 0.3}, {0.0, 0.5, 1.0, 1.5, 2.0, 2.0001}, {0.0, 2.5, 3.0}};
    const std::vector<int> counts[] = {{}, {}, {2}, {1, 2, 3}, {1, 2}};
    for (size_t i = 0; i < std::size(params); ++i)
        EXPECT_EQ(counts[i], countFrames(params[i])) << "case " << i;
}
