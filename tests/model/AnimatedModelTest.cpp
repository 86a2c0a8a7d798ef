// The per-tick engine against each formula, forwards and back, its end behaviours, and the scripts it refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "model/OwnedPose.h"
#include "tests/model/TestModel.h"

// x after every tick of a script of `type` steps from x = `from`, by the textbook curves, sharing no engine code.
static std::vector<double> expectedTicks(int type, const std::vector<double>& xs, const std::vector<int>& ticks,
                                         double from) {
    const auto catmull = [](double p0, double p1, double p2, double p3, double t) {
        return 0.5 * (2 * p1 + (p2 - p0) * t + (2 * p0 - 5 * p1 + 4 * p2 - p3) * t * t +
                      (3 * p1 - p0 - 3 * p2 + p3) * t * t * t);
    };
    std::vector<double> out;
    for (size_t j = 0, n = xs.size(); j < n; ++j) {
        const double prev = j ? xs[j - 1] : from;
        for (int k = 1; k <= ticks[j]; ++k) {
            const double t = double(k) / ticks[j], s = 1.0 - t, ease = (1.0 - std::cos(std::acos(-1.0) * t)) / 2.0;
            if (type == INT_LINEAR || type == INT_SIN || type == INT_HARMONIC)
                out.push_back(prev + (xs[j] - prev) * (type == INT_LINEAR ? t : ease));
            else if (type == INT_CUBIC_BEZIER && j % 3 == 0 && j > 0)
                out.push_back(s * s * s * xs[j - 3] + 3 * s * s * t * xs[j - 2] + 3 * s * t * t * xs[j - 1] +
                              t * t * t * xs[j]);
            else if (type == INT_CATMULL_ROM && j > 0)
                out.push_back(catmull(xs[j > 1 ? j - 2 : 0], xs[j - 1], xs[j], xs[std::min(j + 1, n - 1)], t));
        }
    }
    return out;
}

// Terminating, unknown and one-step reversing scripts end on their last step; a repeating one plays on.
TEST(AnimatedModelTest, every_interpolation_follows_its_formula_tick_by_tick) {
    const struct {
        int type;
        std::vector<double> xs;
        std::vector<int> ticks;
        int behavior;
    } cases[] = {
        {INT_LINEAR, {4, -2, 6}, {2, 3, 4}, SCR_TERMINATE},
        {INT_SIN, {11, -3}, {10, 4}, 4},
        {INT_HARMONIC, {11, -3}, {10, 4}, -1},
        {INT_CUBIC_BEZIER, {0, 3, -1, 2, 5, 5, 1}, {9, 9, 9, 4, 9, 9, 5}, 9},
        {INT_CATMULL_ROM, {0, 2, 1, 4}, {7, 3, 4, 5}, SCR_TERMINATE},
        {INT_LINEAR, {4, -2, 6}, {2, 3, 4}, SCR_REPEAT},
        {INT_LINEAR, {5}, {2}, SCR_REVERSE},
        {INT_LINEAR, {5}, {2}, SCR_REVERSE_ONCE},
    };
    for (const auto& c : cases) {
        TestModel m;
        m.setAttribute("x", 1.0);  // a spline starts at its first step, the others at the model
        addScript(m, "s", c.xs, c.ticks, c.type, c.behavior);
        ASSERT_EQ(0, m.runScript("s"));
        const int rounds = c.behavior == SCR_REPEAT ? 3 : 1;
        std::vector<double> xs;
        std::vector<int> ticks;
        for (int r = 0; r < rounds; ++r) {
            xs.insert(xs.end(), c.xs.begin(), c.xs.end());
            ticks.insert(ticks.end(), c.ticks.begin(), c.ticks.end());
        }
        const std::vector<double> want = expectedTicks(c.type, xs, ticks, 1.0);
        for (size_t k = 0; k < want.size(); ++k) {
            m.step();
            const std::string where = "type " + std::to_string(c.type) + " behaviour " + std::to_string(c.behavior) +
                                      " tick " + std::to_string(k);
            EXPECT_NEAR(want[k], m.getAttribute("x"), 1e-12) << where;
            EXPECT_EQ(k + 1 < want.size() || rounds > 1, m.current_script != nullptr) << where;
        }
    }
}

// A repeating Catmull-Rom script runs out of neighbours after the restart and ends.
TEST(AnimatedModelTest, a_repeating_catmull_rom_script_ends_after_its_restart) {
    TestModel m;
    addScript(m, "c", {0, 2, 1, 4}, {1, 2, 2, 2}, INT_CATMULL_ROM, SCR_REPEAT);
    ASSERT_EQ(0, m.runScript("c"));
    for (int k = 0; k < 1000 && m.current_script; ++k)
        m.step();
    EXPECT_EQ(nullptr, m.current_script);
}

TEST(AnimatedModelTest, run_refuses_scripts_the_engine_cannot_play) {
    TestModel m;
    m.newScript("empty");
    addScript(m, "bezier5", {0, 1, 2, 3, 4}, {1, 1, 1, 1, 1}, INT_CUBIC_BEZIER);
    addScript(m, "ok", {9, 1}, {2, 1}, INT_LINEAR);
    ASSERT_EQ(0, m.runScript("ok"));
    m.step();
    for (const char* name : {"nope", "empty", "bezier5"}) {  // which scripts can be played is StepWindowTest's
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
    EXPECT_EQ(3u, m.stepCount("ok"));  // the step was taken, not refused
}

TEST(OwnedPoseTest, the_copy_keeps_values_and_outlives_the_names_it_was_made_from) {
    char *x = strdup("x"), *red = strdup("red");
    position* copy = copyPoseOwningNames(position{{x, 1.5}, {red, -2.0}});
    std::free(x);
    std::free(red);
    EXPECT_EQ((std::map<std::string, double>{{"red", -2.0}, {"x", 1.5}}),
              (std::map<std::string, double>(copy->begin(), copy->end())));
    freePoseOwningNames(copy);
    freePoseOwningNames(nullptr);
}

static std::vector<double> stepAndRecord(TestModel& m, int ticks) {
    std::vector<double> xs;
    for (int k = 0; k < ticks; ++k) {
        m.step();
        xs.push_back(m.getAttribute("x"));
    }
    return xs;
}

// Backwards the model is where the forward pass was at the mirrored tick; a Bezier segment lands on its first pose.
// Curves agree to the bit both ways; forward linear steps carry a running sum's rounding.
TEST(PlayBackTest, the_backward_pass_retraces_the_forward_one_for_every_curve) {
    const struct {
        const char* name;
        int type;
        std::vector<double> xs;
        std::vector<int> ticks;
        bool speedControl;
    } cases[] = {
        {"linear", INT_LINEAR, {4, -2.3, 6.1, 1}, {2, 3, 7, 5}, false},
        {"sine", INT_SIN, {11, -3.7, 2.2}, {10, 4, 6}, false},
        {"harmonic", INT_HARMONIC, {11, -3}, {3, 7}, false},
        {"bezier", INT_CUBIC_BEZIER, {0, 3, -1, 2, 5, 5.5, 1}, {9, 9, 9, 4, 9, 9, 5}, false},
        {"catmull-rom", INT_CATMULL_ROM, {0, 2, 1.3, 4}, {7, 3, 4, 5}, false},
        {"sine, speed control", INT_SIN, {0, 1, 3, 4.5}, {10, 10, 10, 10}, true},
        {"bezier, speed control", INT_CUBIC_BEZIER, {0, 1, 3, 4.5}, {10, 10, 10, 10}, true},
        {"catmull-rom, speed control", INT_CATMULL_ROM, {0, 1, 3, 4.5}, {10, 10, 10, 10}, true},
    };
    for (const auto& c : cases) {
        for (int behavior : {SCR_REVERSE, SCR_REVERSE_ONCE}) {
            const std::string where = std::string(c.name) + (behavior == SCR_REVERSE ? " reverse" : " once");
            TestModel m;
            m.setAttribute("x", 1.0);
            addScript(m, "s", c.xs, c.ticks, c.type, behavior);
            if (c.speedControl) {
                testing::internal::CaptureStdout();  // the path table
                ASSERT_EQ(0, m.doSpeedControl("s", "x", "y", "z", 0.25, 0.25)) << where;
                testing::internal::GetCapturedStdout();
                ASSERT_NE(nullptr, m.stepOf("s", 3).tValues) << where;
            }
            ASSERT_EQ(0, m.runScript("s")) << where;
            const double tolerance = c.type == INT_LINEAR ? 1e-12 : 0.0;
            // The steps each transition leads to; a simple script first moves to s0, which is not played back.
            const bool bezier = c.type == INT_CUBIC_BEZIER, spline = bezier || c.type == INT_CATMULL_ROM;
            if (!spline)
                stepAndRecord(m, m.stepOf("s", 0).timing);
            std::vector<double> forward = {spline ? c.xs[0] : m.getAttribute("x")};
            std::vector<double> mirror = forward;  // where the backward pass should be, by forward tick
            for (size_t j = bezier ? 3 : 1; j < c.xs.size(); j += bezier ? 3 : 1) {
                const std::vector<double> xs = stepAndRecord(m, m.stepOf("s", j).timing);
                forward.insert(forward.end(), xs.begin(), xs.end());
                mirror.insert(mirror.end(), xs.begin(), xs.end());
                if (bezier && j + 3 < c.xs.size())
                    mirror.back() = c.xs[j];  // the next segment's start
            }
            const size_t total = forward.size() - 1;
            for (size_t k = 1; k <= total; ++k) {
                m.step();
                EXPECT_NEAR(mirror[total - k], m.getAttribute("x"), tolerance) << where << " backward tick " << k;
                EXPECT_EQ(k < total || behavior == SCR_REVERSE, m.current_script != nullptr) << where << " tick " << k;
            }
            if (behavior == SCR_REVERSE_ONCE) {
                EXPECT_EQ(0, m.ticks_left) << where;
                m.step();
                EXPECT_DOUBLE_EQ(forward[0], m.getAttribute("x")) << where;
                continue;
            }
            // Forward again from s0, with no transition from s0 to itself.
            const std::vector<double> again = stepAndRecord(m, static_cast<int>(total));
            for (size_t k = 1; k <= total; ++k)
                EXPECT_NEAR(forward[k], again[k - 1], tolerance) << where << " again, tick " << k;
        }
    }
}
