// The per-tick engine against each formula, the end behaviours, the scripts it
// refuses, and the pose copies a script step owns.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "model/OwnedPose.h"
#include "tests/model/TestModel.h"

// x after every tick of a script whose steps are all of `type`, from x = `from`, with the curves in their
// textbook forms so that they share no code with the engine. Bezier segments span three steps; Catmull-Rom
// doubles the end points.
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

// SCR_TERMINATE and numbers outside the behaviours end the script after its last step.
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
    };
    for (const auto& c : cases) {
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

// A repeating Catmull-Rom script runs out of neighbours after the restart and ends.
TEST(AnimatedModelTest, a_repeating_catmull_rom_script_ends_after_its_restart) {
    TestModel m;
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
    testing::internal::CaptureStdout();
    EXPECT_EQ(-1, m.append({{"x", 5.0}}, 3, INT_LINEAR));  // the leak check sees any copy made
    EXPECT_EQ("no current script\n", testing::internal::GetCapturedStdout());
    EXPECT_EQ(3u, m.stepCount("ok"));
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
