// The pure helpers under the engine and speed control, against figures worked
// out by hand: the interpolation curves, path sampling and frame counting.
#include <gtest/gtest.h>

#include <vector>

#include "model/Interpolation.h"
#include "model/SpeedControl.h"

TEST(CurvesTest, each_curve_meets_its_hand_worked_figures) {
    struct Case {
        const char* what;
        double got;
        double want;
    };
    const Case cases[] = {
        {"linear adds the increment", interpolateLinear(2.0, 0.5), 2.5},
        {"linear adds a negative increment", interpolateLinear(-1.0, -1.5), -2.5},
        {"sine ease at 0", sineEase(0.0), 0.0},
        {"sine ease at 0.5", sineEase(0.5), 0.5},
        {"sine ease at 1", sineEase(1.0), 1.0},
        {"sine ease at 0.1", sineEase(0.1), 0.0244717418524},
        {"sine from 3 by 10 at 0.1", interpolateSine(3.0, 10.0, 0.1), 3.244717418524},
        {"harmonic is the sine ease", interpolateHarmonic(3.0, 10.0, 0.1), 3.244717418524},
        {"harmonic at 0.5", interpolateHarmonic(-2.0, 4.0, 0.5), 0.0},
        {"bezier starts at P0", cubicBezier(1.0, 5.0, -3.0, 7.0, 0.0), 1.0},
        {"bezier ends at P3", cubicBezier(1.0, 5.0, -3.0, 7.0, 1.0), 7.0},
        {"bezier midpoint (P0 + 3 P1 + 3 P2 + P3) / 8", cubicBezier(1.0, 5.0, -3.0, 7.0, 0.5), 1.75},
        {"catmull-rom passes P1 at 0", catmullRom(10.0, 2.0, 4.0, -6.0, 0.0), 2.0},
        {"catmull-rom passes P2 at 1", catmullRom(10.0, 2.0, 4.0, -6.0, 1.0), 4.0},
        {"catmull-rom midpoint (-P0 + 9 P1 + 9 P2 - P3) / 16", catmullRom(10.0, 2.0, 4.0, -6.0, 0.5), 3.125},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(c.want, c.got, 1e-11) << c.what;
}

// x = 0, 1, 2: the first segment doubles its start, the last its end.
TEST(CurvesTest, path_sampling_takes_101_then_100_samples_per_segment) {
    EXPECT_TRUE(samplePath({{0, 0, 0}, {1, 0, 0}}).empty());
    d_table table = samplePath({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}});
    ASSERT_EQ(201u, table.size());
    struct Sample {
        size_t index;
        double t;
        double x;
    };
    // The Catmull-Rom basis on (0, 0, 1, 2) at 0.5 and on (0, 1, 2, 2) at 0.01 and 0.5.
    const Sample samples[] = {{0, 0.0, 0.0},          {50, 0.5, 0.4375},  {100, 1.0, 1.0},
                              {101, 1.01, 1.0100495}, {150, 1.5, 1.5625}, {200, 2.0, 2.0}};
    for (const Sample& s : samples) {
        EXPECT_NEAR(s.t, table[s.index].t, 1e-9) << s.index;
        EXPECT_NEAR(s.x, table[s.index].value1, 1e-9) << s.index;
        EXPECT_EQ(0.0, table[s.index].value2);
        EXPECT_EQ(0.0, table[s.index].value3);
    }
    EXPECT_EQ(0.0, table.front().distance);
    EXPECT_NEAR(2.0, table.back().distance, 1e-9);
    for (size_t i = 1; i < table.size(); ++i)
        ASSERT_GE(table[i].distance, table[i - 1].distance) << i;
}

// A frame opens a new count when its parameter passes the running bound; the
// final frame's own count is handed to the last entry.
TEST(CurvesTest, frames_are_counted_into_segments) {
    struct Case {
        const char* what;
        std::vector<double> params;
        std::vector<int> counts;
    };
    const Case cases[] = {
        {"no frames", {}, {}},
        {"no frame passes 0", {0.0, 0.0}, {}},
        {"one segment", {0.0, 0.3}, {2}},
        {"two segments, the last frame just past 2", {0.0, 0.5, 1.0, 1.5, 2.0, 2.0001}, {1, 2, 3}},
        {"a frame that passes two bounds", {0.0, 2.5, 3.0}, {1, 2}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.counts, countFrames(c.params)) << c.what;
}
