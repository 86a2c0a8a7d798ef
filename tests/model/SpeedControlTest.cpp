// Speed control: the profile and sampling helpers, the printed report, and
// the timings and curve parameters it writes into a script.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "model/SpeedControl.h"
#include "tests/model/TestModel.h"

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

void addLine(TestModel& m, const char* name, const std::vector<double>& xs, const std::vector<int>& timings,
             int interpol = INT_SIN)
{
    m.newScript(name);
    for (size_t i = 0; i < xs.size(); ++i) {
        position p = makePose({{"x", xs[i]}, {"y", 0.0}});
        m.appendPose(&p, timings[i], interpol);
    }
}

// Runs speed control on x, y, z and returns what it printed.
std::string speedControl(TestModel& m, const char* name, double accel, double decel, int* result)
{
    CaptureStdout();
    *result = m.doSpeedControl(name, "x", "y", "z", accel, decel);
    return GetCapturedStdout();
}

} // namespace

TEST(SpeedControlTest, top_speed_and_profile_follow_the_trapezoid)
{
    EXPECT_DOUBLE_EQ(1.0 / 0.75, topSpeed(0.25, 0.25));
    EXPECT_DOUBLE_EQ(1.0, topSpeed(0.0, 0.0));
    EXPECT_DOUBLE_EQ(2.0, topSpeed(0.5, 0.5));

    double accel = 0.2, decel = 0.3;
    double v = 1.0 / (0.1 + 0.5 + 0.15);
    EXPECT_DOUBLE_EQ(0.0, travelledFraction(0.0, accel, decel, v));
    EXPECT_DOUBLE_EQ(v * 0.01 / 0.4, travelledFraction(0.1, accel, decel, v));
    EXPECT_DOUBLE_EQ(v * 0.1, travelledFraction(0.2, accel, decel, v));
    EXPECT_DOUBLE_EQ(v * (0.1 + 0.3), travelledFraction(0.5, accel, decel, v));
    // Deceleration mirrors acceleration: 0.15 of top speed's worth is left at r = 1.
    EXPECT_NEAR(1.0 - v * 0.1 * 0.1 / 0.6, travelledFraction(0.9, accel, decel, v), 1e-12);
    EXPECT_NEAR(1.0, travelledFraction(1.0, accel, decel, v), 1e-12);
    EXPECT_NEAR(0.5, travelledFraction(0.5, 0.25, 0.25, topSpeed(0.25, 0.25)), 1e-15);
}

TEST(SpeedControlTest, sampling_takes_a_hundred_samples_per_segment)
{
    std::vector<path_point> points = {{0, 0, 0}, {3, 4, 0}, {3, 4, 0}, {0, 0, 12}, {1, 1, 1}};
    d_table table = samplePath(points);
    ASSERT_EQ(401u, table.size());
    EXPECT_EQ(0.0, table[0].t);
    EXPECT_NEAR(1.0, table[100].t, 1e-9);
    EXPECT_NEAR(1.01, table[101].t, 1e-9);
    EXPECT_NEAR(4.0, table[400].t, 1e-9);
    EXPECT_NEAR(3.0, table[100].value1, 1e-9);
    EXPECT_NEAR(4.0, table[100].value2, 1e-9);
    for (size_t i = 1; i < table.size(); ++i)
        ASSERT_GE(table[i].distance, table[i - 1].distance);
    EXPECT_TRUE(samplePath({{0, 0, 0}, {1, 1, 1}}).empty());
}

TEST(SpeedControlTest, frame_parameters_interpolate_by_distance_and_never_search_back)
{
    d_table table = {{0.0, 0, 0, 0, 0.0}, {0.5, 0, 0, 0, 1.0}, {1.0, 0, 0, 0, 3.0}};
    size_t search = 0;
    EXPECT_EQ(0.0, frameParameter(table, search, 0.0));
    EXPECT_DOUBLE_EQ(0.25, frameParameter(table, search, 0.5));
    EXPECT_DOUBLE_EQ(0.75, frameParameter(table, search, 2.0));
    EXPECT_EQ(2u, search);
    EXPECT_DOUBLE_EQ(0.375, frameParameter(table, search, 0.5));
    EXPECT_DOUBLE_EQ(1.5, frameParameter(table, search, 5.0));
}

TEST(SpeedControlTest, frames_are_counted_per_segment_with_the_last_frame_added)
{
    EXPECT_EQ((std::vector<int>{1, 2, 3}), countFrames({0.0, 0.3, 0.9, 1.2, 1.8, 2.001}));
    EXPECT_TRUE(countFrames({0.0, 0.0, 0.0}).empty());
}

TEST(SpeedControlTest, straight_path_report_and_retiming)
{
    TestModel m;
    addLine(m, "line", {0.0, 1.0, 2.0}, {10, 10, 10});
    int result = -1;
    std::vector<std::string> lines = splitLines(speedControl(m, "line", 0.25, 0.25, &result));
    EXPECT_EQ(0, result);
    ASSERT_EQ(201u + 2u + 30u + 3u + 2u, lines.size());
    EXPECT_EQ("0.00 0.000000 0.000000 0.000000 0.000000", lines[0]);
    EXPECT_EQ(0u, lines[200].find("2.00 2.000000 0.000000 0.000000 2.0000"));
    EXPECT_EQ("frame count: 30", lines[201]);
    EXPECT_EQ("top speed: 1.333333", lines[202]);
    EXPECT_EQ("     0   0.000000   0.000000", lines[203]);
    EXPECT_EQ("1", lines[233]);
    EXPECT_EQ("14", lines[234]);
    EXPECT_EQ("15", lines[235]);
    EXPECT_EQ("frames: 14", lines[236]);
    EXPECT_EQ("frames: 15", lines[237]);

    EXPECT_EQ(10, m.stepOf("line", 0).timing);
    EXPECT_EQ(nullptr, m.stepOf("line", 0).tValues);
    const script_step& second = m.stepOf("line", 1);
    ASSERT_EQ(14, second.timing);
    EXPECT_NEAR(0.0, second.tValues[0], 5e-5);
    EXPECT_NEAR(0.0123, second.tValues[1], 5e-5);
    EXPECT_NEAR(0.0465, second.tValues[2], 5e-5);
    const script_step& third = m.stepOf("line", 2);
    ASSERT_EQ(15, third.timing);
    EXPECT_NEAR(-0.045, third.tValues[0], 5e-5);
    EXPECT_NEAR(0.9877, third.tValues[14], 5e-5);

    // A second run counts the new timings and replaces the tables.
    lines = splitLines(speedControl(m, "line", 0.25, 0.25, &result));
    EXPECT_EQ(0, result);
    EXPECT_EQ("frame count: 39", lines[201]);
    EXPECT_EQ(10, m.stepOf("line", 0).timing);
    EXPECT_EQ(38, m.stepOf("line", 1).timing + m.stepOf("line", 2).timing);
}

TEST(SpeedControlTest, middle_frame_lies_half_way)
{
    TestModel m;
    addLine(m, "line", {0.0, 1.0, 2.0}, {1, 50, 50});
    int result = -1;
    std::vector<std::string> lines = splitLines(speedControl(m, "line", 0.25, 0.25, &result));
    ASSERT_EQ(0, result);
    EXPECT_EQ("frame count: 101", lines[201]);
    int frame = -1;
    double param = 0, target = 0;
    ASSERT_EQ(3, std::sscanf(lines[203 + 50].c_str(), "%d %lf %lf", &frame, &param, &target));
    EXPECT_EQ(50, frame);
    EXPECT_NEAR(1.0, target, 1e-6);
    EXPECT_NEAR(1.0, param, 1e-3);
    EXPECT_EQ(100, m.stepOf("line", 1).timing + m.stepOf("line", 2).timing);
}

TEST(SpeedControlTest, a_frame_that_skips_a_segment_is_reported)
{
    // Four frames over a path whose middle segment is a thousandth long: the
    // third frame jumps from the first segment into the last.
    TestModel m;
    addLine(m, "jump", {0.0, 10.0, 10.001, 20.0}, {1, 1, 1, 1});
    int result = -1;
    std::string out = speedControl(m, "jump", 0.0, 0.0, &result);
    EXPECT_EQ(0, result);
    size_t at = out.find("erroroneous tValue of ");
    ASSERT_NE(std::string::npos, at);
    double shown = 0;
    ASSERT_EQ(1, std::sscanf(out.c_str() + at, "erroroneous tValue of %lf being assigned!!!", &shown));
    EXPECT_GT(shown, 1.0);
    EXPECT_EQ(shown, std::stod(std::to_string(m.stepOf("jump", 2).tValues[1])));
    // Counts 1, 1, 2: the two middle frames land in the first two steps; the
    // last step has no count and keeps its timing.
    EXPECT_EQ(1, m.stepOf("jump", 1).timing);
    EXPECT_EQ(2, m.stepOf("jump", 2).timing);
    EXPECT_EQ(1, m.stepOf("jump", 3).timing);
    EXPECT_EQ(nullptr, m.stepOf("jump", 3).tValues);
}

TEST(SpeedControlTest, unusable_requests_are_refused)
{
    TestModel m;
    addLine(m, "short", {0.0, 1.0}, {5, 5});
    addLine(m, "line", {0.0, 1.0, 2.0}, {10, 10, 10});
    int result = 0;
    EXPECT_EQ("", speedControl(m, "nope", 0.25, 0.25, &result));
    EXPECT_EQ(-1, result);
    EXPECT_EQ("", speedControl(m, "short", 0.25, 0.25, &result));
    EXPECT_EQ(-1, result);
    for (auto [accel, decel] : {std::pair<double, double>{-0.1, 0.2}, {0.6, 0.5}, {0.2, NAN}}) {
        EXPECT_EQ("speed control ratios must be at least 0 and sum to at most 1\n",
                  speedControl(m, "line", accel, decel, &result));
        EXPECT_EQ(-1, result);
    }
    EXPECT_EQ(10, m.stepOf("line", 1).timing);
    EXPECT_EQ(nullptr, m.stepOf("line", 1).tValues);
}

TEST(SpeedControlTest, a_path_of_no_length_leaves_the_timings)
{
    TestModel m;
    addLine(m, "still", {0.0, 0.0, 0.0}, {4, 5, 6});
    int result = -1;
    std::string out = speedControl(m, "still", 0.25, 0.25, &result);
    EXPECT_EQ(0, result);
    EXPECT_EQ(std::string::npos, out.find("frames:"));
    EXPECT_EQ(5, m.stepOf("still", 1).timing);
    EXPECT_EQ(6, m.stepOf("still", 2).timing);
    EXPECT_EQ(nullptr, m.stepOf("still", 2).tValues);
}

TEST(SpeedControlTest, retimed_steps_play_their_curve_parameters)
{
    TestModel m;
    addLine(m, "line", {0.0, 1.0, 2.0}, {10, 10, 10});
    int result = -1;
    speedControl(m, "line", 0.25, 0.25, &result);
    ASSERT_EQ(0, result);
    ASSERT_EQ(0, m.runScript("line"));
    for (int k = 0; k < 10; ++k)
        m.step();
    const script_step& second = m.stepOf("line", 1);
    ASSERT_EQ(14, m.ticks_total);
    for (int k = 0; k < 14; ++k) {
        m.step();
        double s = (1.0 - std::cos(std::acos(-1.0) * second.tValues[k])) / 2.0;
        EXPECT_NEAR(s, m.getAttribute("x"), 1e-12) << k;
    }
}

TEST(SpeedControlTest, retiming_the_playing_script_keeps_the_transition_in_progress)
{
    TestModel m;
    addLine(m, "line", {0.0, 1.0, 2.0}, {10, 10, 10});
    ASSERT_EQ(0, m.runScript("line"));
    for (int k = 0; k < 13; ++k)
        m.step();
    int result = -1;
    speedControl(m, "line", 0.25, 0.25, &result);
    ASSERT_EQ(0, result);
    EXPECT_EQ(10, m.ticks_total);
    for (int k = 0; k < 7; ++k)
        m.step();
    EXPECT_NEAR(1.0, m.getAttribute("x"), 1e-12);
    EXPECT_EQ(15, m.ticks_total);
    while (m.current_script)
        m.step();
    // The last step ends one frame short of its pose.
    double last = m.stepOf("line", 2).tValues[14];
    EXPECT_NEAR(1.0 + (1.0 - std::cos(std::acos(-1.0) * last)) / 2.0, m.getAttribute("x"), 1e-12);
}
