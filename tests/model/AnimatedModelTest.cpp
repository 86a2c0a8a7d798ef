// The per-tick engine against each formula, the end behaviours, the scripts
// it refuses, and speed control against figures worked out by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>

#include "tests/model/TestModel.h"

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

// The curves in their textbook forms, so that expected values share no code
// with the engine: the cosine ease, the Bernstein cubic, the Catmull-Rom matrix.
static double ease(double t) {
    return (1.0 - std::cos(std::acos(-1.0) * t)) / 2.0;
}
static double lerp(double a, double b, double t) {
    return a + (b - a) * t;
}
static double catmullRef(double p0, double p1, double p2, double p3, double t) {
    return 0.5 *
           (2 * p1 + (p2 - p0) * t + (2 * p0 - 5 * p1 + 4 * p2 - p3) * t * t + (3 * p1 - p0 - 3 * p2 + p3) * t * t * t);
}

// x after every tick of a script whose steps are all of `type`, from x = `from`.
// Bezier segments span three steps; Catmull-Rom doubles the end points.
static std::vector<double> expectedTicks(int type, const std::vector<double>& xs, const std::vector<int>& ticks,
                                         double from) {
    std::vector<double> out;
    for (size_t j = 0, n = xs.size(); j < n; ++j) {
        double prev = j ? xs[j - 1] : from;
        for (int k = 1; k <= ticks[j]; ++k) {
            const double t = double(k) / ticks[j], s = 1.0 - t;
            if (type == INT_LINEAR || type == INT_SIN || type == INT_HARMONIC)
                out.push_back(lerp(prev, xs[j], type == INT_LINEAR ? t : ease(t)));
            else if (type == INT_CUBIC_BEZIER && j % 3 == 0 && j > 0)
                out.push_back(s * s * s * xs[j - 3] + 3 * s * s * t * xs[j - 2] + 3 * s * t * t * xs[j - 1] +
                              t * t * t * xs[j]);
            else if (type == INT_CATMULL_ROM && j > 0)
                out.push_back(catmullRef(xs[j > 1 ? j - 2 : 0], xs[j - 1], xs[j], xs[std::min(j + 1, n - 1)], t));
        }
    }
    return out;
}

// Every behaviour but SCR_REPEAT ends the script after its last step.
TEST(AnimatedModelTest, every_interpolation_follows_its_formula_tick_by_tick) {
    struct Case {
        int type;
        std::vector<double> xs;
        std::vector<int> ticks;
        int behavior;
    };
    const Case cases[] = {
        {INT_LINEAR, {4, -2, 6}, {2, 3, 4}, SCR_TERMINATE},
        {INT_SIN, {11, -3}, {10, 4}, SCR_REVERSE},
        {INT_HARMONIC, {11, -3}, {10, 4}, SCR_REVERSE_ONCE},
        {INT_CUBIC_BEZIER, {0, 3, -1, 2, 5, 5, 1}, {9, 9, 9, 4, 9, 9, 5}, 9},
        {INT_CATMULL_ROM, {0, 2, 1, 4}, {7, 3, 4, 5}, SCR_TERMINATE},
    };
    for (const Case& c : cases) {
        TestModel m;
        m.setAttribute("x", 1.0);  // a spline starts at its first step, the others at the model
        addScript(m, "s", c.xs, c.ticks, c.type, c.behavior);
        ASSERT_EQ(0, m.runScript("s"));
        std::vector<double> want = expectedTicks(c.type, c.xs, c.ticks, 1.0);
        for (size_t k = 0; k < want.size(); ++k) {
            m.step();
            EXPECT_NEAR(want[k], m.getAttribute("x"), 1e-12) << "type " << c.type << " tick " << k;
            EXPECT_EQ(k + 1 < want.size(), m.current_script != nullptr) << "type " << c.type << " tick " << k;
        }
    }
}

TEST(AnimatedModelTest, repeat_plays_the_first_step_again) {
    TestModel m;
    addScript(m, "s", {4.0, -2.0, 6.0}, {2, 3, 4}, INT_LINEAR, SCR_REPEAT);
    ASSERT_EQ(0, m.runScript("s"));
    for (int k = 0; k < 10; ++k)
        m.step();
    EXPECT_NEAR(5.0, m.getAttribute("x"), 1e-12);  // half-way from 6 back to 4
    // A repeating Catmull-Rom script runs out of neighbours after the restart and ends.
    addScript(m, "c", {0, 2, 1, 4}, {1, 2, 2, 2}, INT_CATMULL_ROM, SCR_REPEAT);
    ASSERT_EQ(0, m.runScript("c"));
    for (int k = 0; k < 1000 && m.current_script; ++k)
        m.step();
    EXPECT_EQ(nullptr, m.current_script);
}

TEST(AnimatedModelTest, run_refuses_scripts_the_engine_cannot_play_and_append_needs_a_script) {
    TestModel m;
    m.newScript("empty");
    addScript(m, "bezier5", {0, 1, 2, 3, 4}, {1, 1, 1, 1, 1}, INT_CUBIC_BEZIER);
    addScript(m, "bezier1", {0}, {1}, INT_CUBIC_BEZIER);
    addScript(m, "bezierRepeat", {0, 1, 2, 3}, {1, 1, 1, 1}, INT_CUBIC_BEZIER, SCR_REPEAT);
    addScript(m, "catmull2", {0, 1}, {1, 1}, INT_CATMULL_ROM);
    addScript(m, "mixed", {0, 1, 2}, {1, 1, 1}, INT_LINEAR);
    m.append({{"x", 5.0}}, 1, INT_CATMULL_ROM);
    addScript(m, "ok", {9, 1}, {2, 1}, INT_LINEAR);
    ASSERT_EQ(0, m.runScript("ok"));
    m.step();
    for (const char* name : {"nope", "empty", "bezier5", "bezier1", "bezierRepeat", "catmull2", "mixed"}) {
        EXPECT_EQ(-1, m.runScript(name)) << name;
        EXPECT_EQ(m.findScript("ok"), m.current_script) << name;  // a refused run leaves the playing script alone
        EXPECT_EQ(1, m.ticks_left) << name;
    }
    // A spline step appended while the script plays ends it on arrival.
    m.append({{"x", 5.0}}, 3, INT_CUBIC_BEZIER);
    for (int k = 0; k < 3; ++k)
        m.step();
    EXPECT_EQ(nullptr, m.current_script);
    EXPECT_DOUBLE_EQ(1.0, m.getAttribute("x"));
    CaptureStdout();
    EXPECT_EQ(-1, m.append({{"x", 5.0}}, 3, INT_LINEAR));  // the leak check sees any copy made
    EXPECT_EQ("no current script\n", GetCapturedStdout());
    EXPECT_EQ(3u, m.stepCount("ok"));
}

// Three steps at x = 0, 1, 2 (a path of length 2), accel = decel = 0.25.
TEST(SpeedControlTest, thirty_frames_are_shared_out_as_one_fourteen_fifteen) {
    TestModel m;
    addScript(m, "line", {0.0, 1.0, 2.0}, {10, 10, 10}, INT_SIN);
    CaptureStdout();
    EXPECT_EQ(0, m.doSpeedControl("line", "x", "y", "z", 0.25, 0.25));
    std::istringstream out(GetCapturedStdout());
    std::vector<std::string> lines;
    for (std::string line; std::getline(out, line);)
        lines.push_back(line);
    // 201 samples, frame count and top speed, 30 frames, 3 counts, 2 steps.
    ASSERT_EQ(201u + 2u + 30u + 3u + 2u, lines.size());
    EXPECT_EQ("0.00 0.000000 0.000000 0.000000 0.000000", lines[0]);
    EXPECT_EQ(0u, lines[200].find("2.00 2.000000 0.000000 0.000000 2.0000"));
    EXPECT_EQ("frame count: 30", lines[201]);
    EXPECT_EQ("top speed: 1.333333", lines[202]);  // 1 / 0.75
    EXPECT_EQ("     0   0.000000   0.000000", lines[203]);
    const std::vector<std::string> tail = {"1", "14", "15", "frames: 14", "frames: 15"};
    EXPECT_EQ(tail, std::vector<std::string>(lines.begin() + 233, lines.end()));
    const script_step &first = m.stepOf("line", 0), &second = m.stepOf("line", 1), &third = m.stepOf("line", 2);
    ASSERT_EQ((std::vector<int>{10, 14, 15}), (std::vector<int>{first.timing, second.timing, third.timing}));
    EXPECT_NEAR(0.0, second.tValues[0], 5e-5);
    EXPECT_NEAR(0.0123, second.tValues[1], 5e-5);
    EXPECT_NEAR(0.0465, second.tValues[2], 5e-5);
    EXPECT_NEAR(-0.045, third.tValues[0], 5e-5);
    EXPECT_NEAR(0.9877, third.tValues[14], 5e-5);
    // A sine step follows its parameters tick by tick.
    ASSERT_EQ(0, m.runScript("line"));
    for (int k = 0; k < 10; ++k)
        m.step();
    for (int k = 0; k < 14; ++k) {
        m.step();
        EXPECT_NEAR(ease(second.tValues[k]), m.getAttribute("x"), 1e-12) << k;
    }
    // A second run counts the new timings (39 frames) and replaces the tables.
    CaptureStdout();
    EXPECT_EQ(0, m.doSpeedControl("line", "x", "y", "z", 0.25, 0.25));
    GetCapturedStdout();
    EXPECT_EQ(38, m.stepOf("line", 1).timing + m.stepOf("line", 2).timing);
}
