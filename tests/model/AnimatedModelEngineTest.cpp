// The per-tick engine: transitions of every interpolation type, script
// chaining, end behaviours, and the guards against unplayable scripts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "tests/model/TestModel.h"

namespace {

const double kPi = std::acos(-1.0);

double ease(double t) { return (1.0 - std::cos(kPi * t)) / 2.0; }

// de Casteljau, so the expected values do not share the engine's formula.
double bezierRef(double p0, double p1, double p2, double p3, double t)
{
    double a = p0 + (p1 - p0) * t, b = p1 + (p2 - p1) * t, c = p2 + (p3 - p2) * t;
    double d = a + (b - a) * t, e = b + (c - b) * t;
    return d + (e - d) * t;
}

// The matrix form of the tension-one-half Catmull-Rom spline.
double catmullRef(double p0, double p1, double p2, double p3, double t)
{
    return 0.5 * (2 * p1 + (p2 - p0) * t + (2 * p0 - 5 * p1 + 4 * p2 - p3) * t * t +
                  (3 * p1 - p0 - 3 * p2 + p3) * t * t * t);
}

void addScript(TestModel& m, const char* name, const std::vector<double>& xs, const std::vector<int>& timings,
               int interpol, script_behavior behavior = SCR_TERMINATE)
{
    m.newScript(name);
    m.current_script->behavior = behavior;
    for (size_t i = 0; i < xs.size(); ++i) {
        position p = makePose({{"x", xs[i]}});
        m.appendPose(&p, timings[i], interpol);
    }
}

} // namespace

TEST(AnimatedModelEngineTest, linear_animate_to_adds_a_fixed_increment)
{
    TestModel m;
    m.animateTo(makePose({{"x", 10.0}, {"y", 0.0}, {"ghost", 3.0}}), 10, INT_LINEAR);
    m.setAttribute("y", 4.0); // not part of the transition: y was already at its target
    for (int k = 1; k <= 10; ++k) {
        m.step();
        EXPECT_DOUBLE_EQ(k * 1.0, m.getAttribute("x")) << k;
    }
    EXPECT_EQ(0, m.ticks_left);
    EXPECT_EQ(4.0, m.getAttribute("y"));
    EXPECT_FALSE(m.hasAttribute("ghost"));
    m.step();
    EXPECT_DOUBLE_EQ(10.0, m.getAttribute("x"));
}

TEST(AnimatedModelEngineTest, linear_increments_ignore_changes_made_meanwhile)
{
    TestModel m;
    m.animateTo(makePose({{"x", 4.0}}), 4, INT_LINEAR);
    m.step();
    m.setAttribute("x", 10.0);
    for (int k = 0; k < 3; ++k)
        m.step();
    EXPECT_DOUBLE_EQ(13.0, m.getAttribute("x"));
}

TEST(AnimatedModelEngineTest, sine_and_harmonic_ease_in_and_out)
{
    for (int type : {INT_SIN, INT_HARMONIC}) {
        TestModel m;
        m.setAttribute("x", 1.0);
        m.animateTo(makePose({{"x", 11.0}, {"z", -2.0}}), 10, type);
        for (int k = 1; k <= 10; ++k) {
            m.step();
            EXPECT_NEAR(1.0 + 10.0 * ease(k / 10.0), m.getAttribute("x"), 1e-12) << k;
            EXPECT_NEAR(-2.0 * ease(k / 10.0), m.getAttribute("z"), 1e-12) << k;
        }
        EXPECT_DOUBLE_EQ(11.0, m.getAttribute("x"));
    }
    TestModel m;
    m.animateTo(makePose({{"x", 10.0}}), 10, INT_SIN);
    m.step();
    EXPECT_NEAR(0.2447, m.getAttribute("x"), 5e-5);
    for (int k = 0; k < 4; ++k)
        m.step();
    EXPECT_NEAR(5.0, m.getAttribute("x"), 1e-12);
}

TEST(AnimatedModelEngineTest, animate_flag_off_freezes_everything)
{
    TestModel m;
    m.animateTo(makePose({{"x", 10.0}}), 10, INT_LINEAR);
    m.animate = false;
    m.step();
    EXPECT_EQ(10, m.ticks_left);
    EXPECT_EQ(0.0, m.getAttribute("x"));
}

TEST(AnimatedModelEngineTest, zero_duration_moves_nothing)
{
    TestModel m;
    m.animateTo(makePose({{"x", 10.0}}), 0, INT_LINEAR);
    m.step();
    m.animateTo(makePose({{"x", 10.0}}), -3, INT_SIN);
    m.step();
    EXPECT_EQ(0.0, m.getAttribute("x"));
}

TEST(AnimatedModelEngineTest, linear_script_chains_steps_on_consecutive_ticks)
{
    TestModel m;
    addScript(m, "s", {4.0, -2.0, 6.0}, {2, 3, 4}, INT_LINEAR);
    ASSERT_EQ(0, m.runScript("s"));
    std::vector<double> expected = {2, 4, 2, 0, -2, 0, 2, 4, 6};
    for (size_t k = 0; k < expected.size(); ++k) {
        m.step();
        EXPECT_NEAR(expected[k], m.getAttribute("x"), 1e-12) << k;
    }
    EXPECT_EQ(nullptr, m.current_script);
    EXPECT_EQ(0, m.ticks_left);
    m.step();
    EXPECT_NEAR(6.0, m.getAttribute("x"), 1e-12);
}

TEST(AnimatedModelEngineTest, repeating_script_returns_to_its_first_pose)
{
    TestModel m;
    addScript(m, "s", {4.0, -2.0, 6.0}, {2, 3, 4}, INT_LINEAR, SCR_REPEAT);
    ASSERT_EQ(0, m.runScript("s"));
    for (int k = 0; k < 9; ++k)
        m.step();
    EXPECT_NEAR(6.0, m.getAttribute("x"), 1e-12);
    EXPECT_EQ(2, m.ticks_left);
    m.step();
    EXPECT_NEAR(5.0, m.getAttribute("x"), 1e-12);
    m.step();
    EXPECT_NEAR(4.0, m.getAttribute("x"), 1e-12);
    m.step();
    EXPECT_NEAR(2.0, m.getAttribute("x"), 1e-12);
    EXPECT_NE(nullptr, m.current_script);
}

TEST(AnimatedModelEngineTest, reversing_and_unknown_behaviours_end_the_script)
{
    for (int behavior : {2, 3, 9}) {
        TestModel m;
        addScript(m, "s", {1.0, 2.0}, {1, 1}, INT_LINEAR, static_cast<script_behavior>(behavior));
        ASSERT_EQ(0, m.runScript("s"));
        m.step();
        m.step();
        EXPECT_EQ(nullptr, m.current_script) << behavior;
        EXPECT_EQ(0, m.ticks_left);
        EXPECT_DOUBLE_EQ(2.0, m.getAttribute("x"));
    }
}

TEST(AnimatedModelEngineTest, unknown_interpolation_rests_for_its_timing)
{
    TestModel m;
    m.newScript("s");
    position a = makePose({{"x", 2.0}});
    position b = makePose({{"x", 9.0}});
    position c = makePose({{"x", 3.0}});
    m.appendPose(&a, 2, INT_LINEAR);
    m.appendPose(&b, 3, 7);
    m.appendPose(&c, 1, INT_LINEAR);
    ASSERT_EQ(0, m.runScript("s"));
    m.step();
    m.step();
    for (int k = 0; k < 3; ++k) {
        m.step();
        EXPECT_DOUBLE_EQ(2.0, m.getAttribute("x"));
    }
    m.step();
    EXPECT_DOUBLE_EQ(3.0, m.getAttribute("x"));
}

TEST(AnimatedModelEngineTest, bezier_script_plays_segments_of_three)
{
    TestModel m;
    std::vector<double> xs = {0, 3, -1, 2, 5, 5, 1};
    addScript(m, "b", xs, {9, 9, 9, 4, 9, 9, 5}, INT_CUBIC_BEZIER);
    m.setAttribute("x", 100.0); // a spline segment starts at its first step, not at the model
    ASSERT_EQ(0, m.runScript("b"));
    EXPECT_EQ(4, m.ticks_total);
    for (int k = 1; k <= 4; ++k) {
        m.step();
        EXPECT_NEAR(bezierRef(0, 3, -1, 2, k / 4.0), m.getAttribute("x"), 1e-12) << k;
    }
    EXPECT_EQ(5, m.ticks_total);
    for (int k = 1; k <= 5; ++k) {
        m.step();
        EXPECT_NEAR(bezierRef(2, 5, 5, 1, k / 5.0), m.getAttribute("x"), 1e-12) << k;
    }
    EXPECT_EQ(nullptr, m.current_script);
    EXPECT_DOUBLE_EQ(1.0, m.getAttribute("x"));
}

TEST(AnimatedModelEngineTest, catmull_rom_script_doubles_its_end_points)
{
    TestModel m;
    std::vector<double> s = {0, 2, 1, 4};
    addScript(m, "c", s, {7, 3, 4, 5}, INT_CATMULL_ROM);
    ASSERT_EQ(0, m.runScript("c"));
    struct Segment { double p0, p1, p2, p3; int ticks; };
    Segment segments[] = {{s[0], s[0], s[1], s[2], 3}, {s[0], s[1], s[2], s[3], 4}, {s[1], s[2], s[3], s[3], 5}};
    for (const Segment& g : segments) {
        ASSERT_EQ(g.ticks, m.ticks_total);
        for (int k = 1; k <= g.ticks; ++k) {
            m.step();
            EXPECT_NEAR(catmullRef(g.p0, g.p1, g.p2, g.p3, double(k) / g.ticks), m.getAttribute("x"), 1e-12);
        }
    }
    EXPECT_EQ(nullptr, m.current_script);
    EXPECT_DOUBLE_EQ(4.0, m.getAttribute("x"));
}

TEST(AnimatedModelEngineTest, spline_attributes_whose_steps_agree_are_left_alone)
{
    TestModel m;
    m.newScript("c");
    for (double x : {0.0, 1.0, 2.0}) {
        position p = makePose({{"x", x}, {"y", 3.0}});
        m.appendPose(&p, 2, INT_CATMULL_ROM);
    }
    m.setAttribute("y", -8.0);
    ASSERT_EQ(0, m.runScript("c"));
    m.step();
    EXPECT_EQ(-8.0, m.getAttribute("y"));
    EXPECT_EQ(0u, m.next_pose.count("y"));
}

TEST(AnimatedModelEngineTest, curve_parameters_drive_sine_and_bezier_but_not_catmull_rom)
{
    TestModel m;
    addScript(m, "s", {8.0}, {4}, INT_SIN);
    addScript(m, "b", {0, 3, -1, 2}, {1, 1, 1, 4}, INT_CUBIC_BEZIER);
    addScript(m, "c", {0, 2, 1}, {1, 4, 1}, INT_CATMULL_ROM);
    const double tv[4] = {0.1, 0.15, 0.6, 1.0};
    for (auto [name, index] : {std::pair<const char*, size_t>{"s", 0}, {"b", 3}, {"c", 1}}) {
        script_step& st = m.stepOf(name, index);
        st.tValues = static_cast<double*>(std::malloc(4 * sizeof(double)));
        std::copy(tv, tv + 4, st.tValues);
    }

    ASSERT_EQ(0, m.runScript("s"));
    for (int k = 0; k < 4; ++k) {
        m.step();
        EXPECT_NEAR(8.0 * ease(tv[k]), m.getAttribute("x"), 1e-12);
    }
    ASSERT_EQ(0, m.runScript("b"));
    for (int k = 0; k < 4; ++k) {
        m.step();
        EXPECT_NEAR(bezierRef(0, 3, -1, 2, tv[k]), m.getAttribute("x"), 1e-12);
    }
    ASSERT_EQ(0, m.runScript("c"));
    for (int k = 1; k <= 4; ++k) {
        m.step();
        EXPECT_NEAR(catmullRef(0, 0, 2, 1, k / 4.0), m.getAttribute("x"), 1e-12);
    }
}

TEST(AnimatedModelEngineTest, curve_parameters_of_another_length_are_ignored)
{
    TestModel m;
    addScript(m, "s", {8.0}, {4}, INT_SIN);
    ASSERT_EQ(0, m.runScript("s"));
    // Re-timed while playing: the array now belongs to a 2-tick step.
    script_step& st = m.stepOf("s", 0);
    st.timing = 2;
    st.tValues = static_cast<double*>(std::malloc(2 * sizeof(double)));
    st.tValues[0] = st.tValues[1] = 0.9;
    for (int k = 1; k <= 4; ++k) {
        m.step();
        EXPECT_NEAR(8.0 * ease(k / 4.0), m.getAttribute("x"), 1e-12);
    }
}

// [SECTION] scripts the engine cannot play

TEST(AnimatedModelEngineTest, run_refuses_unplayable_step_patterns)
{
    TestModel m;
    m.newScript("empty");
    addScript(m, "bezier5", {0, 1, 2, 3, 4}, {1, 1, 1, 1, 1}, INT_CUBIC_BEZIER);
    addScript(m, "bezier1", {0}, {1}, INT_CUBIC_BEZIER);
    addScript(m, "bezierRepeat", {0, 1, 2, 3}, {1, 1, 1, 1}, INT_CUBIC_BEZIER, SCR_REPEAT);
    addScript(m, "catmull2", {0, 1}, {1, 1}, INT_CATMULL_ROM);
    addScript(m, "mixed", {0, 1, 2}, {1, 1, 1}, INT_LINEAR);
    position p = makePose({{"x", 5.0}});
    m.appendPose(&p, 1, INT_CATMULL_ROM);
    addScript(m, "ok", {9}, {2}, INT_LINEAR);
    ASSERT_EQ(0, m.runScript("ok"));
    m.step();
    for (const char* name : {"empty", "bezier5", "bezier1", "bezierRepeat", "catmull2", "mixed"}) {
        EXPECT_EQ(-1, m.runScript(name)) << name;
        // A refused run leaves the playing script alone.
        EXPECT_EQ(m.findScript("ok"), m.current_script) << name;
        EXPECT_EQ(1, m.ticks_left) << name;
    }
}

TEST(AnimatedModelEngineTest, spline_step_appended_while_playing_ends_the_script)
{
    TestModel m;
    addScript(m, "s", {1.0, 2.0}, {1, 1}, INT_LINEAR);
    ASSERT_EQ(0, m.runScript("s"));
    position p = makePose({{"x", 9.0}});
    m.appendPose(&p, 3, INT_CUBIC_BEZIER);
    m.step();
    m.step();
    EXPECT_EQ(nullptr, m.current_script);
    EXPECT_EQ(0, m.ticks_left);
    m.step();
    EXPECT_DOUBLE_EQ(2.0, m.getAttribute("x"));
}

TEST(AnimatedModelEngineTest, repeating_catmull_rom_never_reads_past_its_steps)
{
    TestModel m;
    addScript(m, "c", {0, 2, 1, 4}, {1, 2, 2, 2}, INT_CATMULL_ROM, SCR_REPEAT);
    ASSERT_EQ(0, m.runScript("c"));
    int ticks = 0;
    while (m.current_script && ticks < 1000) {
        m.step();
        ++ticks;
    }
    EXPECT_EQ(nullptr, m.current_script);
    EXPECT_TRUE(std::isfinite(m.getAttribute("x")));
}

TEST(AnimatedModelEngineTest, switching_scripts_ends_the_transition_in_progress)
{
    TestModel m;
    addScript(m, "a", {10.0}, {10}, INT_LINEAR);
    addScript(m, "b", {-10.0}, {10}, INT_LINEAR);
    ASSERT_EQ(0, m.runScript("a"));
    m.step();
    ASSERT_EQ(0, m.selectScript("b"));
    EXPECT_EQ(0, m.ticks_left);
    m.step();
    EXPECT_DOUBLE_EQ(1.0, m.getAttribute("x"));

    ASSERT_EQ(0, m.runScript("a"));
    m.step();
    ASSERT_EQ(0, m.newScript("c"));
    EXPECT_EQ(0, m.ticks_left);
    m.step();
    EXPECT_NEAR(1.9, m.getAttribute("x"), 1e-12);

    m.animateTo(makePose({{"x", 0.0}}), 5, INT_SIN);
    EXPECT_EQ(nullptr, m.current_script);
    ASSERT_EQ(0, m.runScript("b"));
    EXPECT_EQ(10, m.ticks_left);
    EXPECT_EQ(INT_LINEAR, m.current_interpolation);
    m.step();
    EXPECT_NEAR(1.9 - 1.19, m.getAttribute("x"), 1e-12);
}

TEST(AnimatedModelEngineTest, spline_animate_to_without_control_steps_lets_its_ticks_pass)
{
    for (int type : {INT_CUBIC_BEZIER, INT_CATMULL_ROM}) {
        TestModel m;
        addScript(m, "idle", {5.0, 6.0, 7.0}, {1, 1, 1}, INT_CATMULL_ROM);
        m.animateTo(makePose({{"x", 10.0}}), 3, type);
        EXPECT_TRUE(m.next_pose.empty());
        for (int k = 0; k < 3; ++k)
            m.step();
        EXPECT_EQ(0, m.ticks_left);
        EXPECT_EQ(0.0, m.getAttribute("x"));
    }
    // While a spline script plays, its positions supply the control steps.
    TestModel m;
    addScript(m, "c", {0.0, 2.0, 1.0}, {1, 9, 9}, INT_CATMULL_ROM);
    ASSERT_EQ(0, m.runScript("c"));
    m.animateTo(makePose({{"x", 10.0}}), 2, INT_CATMULL_ROM);
    EXPECT_EQ(nullptr, m.current_script);
    m.step();
    EXPECT_NEAR(catmullRef(0, 0, 2, 1, 0.5), m.getAttribute("x"), 1e-12);
    m.step();
    EXPECT_NEAR(2.0, m.getAttribute("x"), 1e-12);
}
