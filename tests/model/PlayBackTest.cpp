// Scripts that play back and forth: the backward pass retraces the forward one
// tick for tick for every curve, and each behaviour goes on (or stops) as it
// should once the last step has been played.
#include <gtest/gtest.h>

#include <vector>

#include "tests/model/TestModel.h"

namespace {

// The curves are evaluated again with the same numbers, so their positions
// agree to the bit. Forward linear steps add an increment per tick and carry
// the running sum's rounding; the backward pass computes each position from
// the transition's start and meets them only to within that rounding.
void expectSame(int type, double want, double got, const std::string& where) {
    if (type == INT_LINEAR)
        EXPECT_NEAR(want, got, 1e-12) << where;
    else
        EXPECT_EQ(want, got) << where;
}

std::vector<double> stepAndRecord(TestModel& m, int ticks) {
    std::vector<double> xs;
    for (int k = 0; k < ticks; ++k) {
        m.step();
        xs.push_back(m.getAttribute("x"));
    }
    return xs;
}

}  // namespace

// The model is where the forward pass was at the mirrored tick: the backward transition into s(j-1) is the forward
// one into s(j) played from its end. A Bezier segment starts at its first step's pose even where a speed-controlled
// forward pass stopped short of it, so that is where its backward pass lands.
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
                expectSame(c.type, mirror[total - k], m.getAttribute("x"),
                           where + " backward tick " + std::to_string(k));
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
                expectSame(c.type, forward[k], again[k - 1], where + " again, tick " + std::to_string(k));
        }
    }
}

// Linear steps of whole increments, so every position is exact. Numbers outside the behaviours end the script.
TEST(PlayBackTest, each_behaviour_after_the_last_step) {
    const std::vector<double> walk = {4, -2, 6}, one = {5};
    const std::vector<int> walkTicks = {2, 3, 4}, oneTicks = {2};
    const struct {
        int behavior;
        const std::vector<double>& xs;
        const std::vector<int>& ticks;
        std::vector<double> expected;  // x after ticks 1, 2, ...
        bool playingAfter;
    } cases[] = {
        {SCR_TERMINATE, walk, walkTicks, {2, 4, 2, 0, -2, 0, 2, 4, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6}, false},
        {7, walk, walkTicks, {2, 4, 2, 0, -2, 0, 2, 4, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6}, false},
        {-1, walk, walkTicks, {2, 4, 2, 0, -2, 0, 2, 4, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6}, false},
        {SCR_REPEAT,
         walk,
         walkTicks,
         {2, 4, 2, 0, -2, 0, 2, 4, 6, 5, 4, 2, 0, -2, 0, 2, 4, 6, 5, 4, 2, 0, -2, 0, 2, 4, 6, 5, 4, 2},
         true},
        {SCR_REVERSE_ONCE, walk, walkTicks, {2, 4, 2, 0, -2, 0, 2, 4, 6, 4, 2, 0, -2, 0, 2, 4, 4, 4, 4, 4}, false},
        {SCR_REVERSE,
         walk,
         walkTicks,
         {2, 4, 2, 0, -2, 0, 2, 4, 6, 4, 2, 0, -2, 0, 2, 4, 2, 0, -2, 0, 2, 4, 6, 4, 2, 0, -2, 0, 2, 4},
         true},
        // One step has nothing to play back: the script moves to it and ends.
        {SCR_REVERSE, one, oneTicks, {2.5, 5, 5, 5}, false},
        {SCR_REVERSE_ONCE, one, oneTicks, {2.5, 5, 5, 5}, false},
    };
    for (const auto& c : cases) {
        TestModel m;
        addScript(m, "s", c.xs, c.ticks, INT_LINEAR, c.behavior);
        ASSERT_EQ(0, m.runScript("s"));
        const std::vector<double> got = stepAndRecord(m, static_cast<int>(c.expected.size()));
        for (size_t k = 0; k < got.size(); ++k)
            EXPECT_DOUBLE_EQ(c.expected[k], got[k]) << "behaviour " << c.behavior << " tick " << k + 1;
        EXPECT_EQ(c.playingAfter, m.current_script != nullptr) << "behaviour " << c.behavior;
    }
}
