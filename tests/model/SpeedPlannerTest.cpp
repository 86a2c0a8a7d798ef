// Speed control planned from numbers alone (path samples, frame counts), and the model applying exactly that plan.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "model/SpeedControl.h"
#include "model/SpeedPlanner.h"
#include "tests/model/TestModel.h"

namespace {

std::vector<path_point> alongX(int steps) {
    std::vector<path_point> points;
    for (int i = 0; i < steps; ++i)
        points.push_back({double(i), 0.0, 0.0});
    return points;
}

std::vector<std::string> tail(const std::vector<std::string>& lines, size_t n) {
    return std::vector<std::string>(lines.end() - static_cast<std::ptrdiff_t>(n), lines.end());
}

}  // namespace

TEST(SpeedPlannerTest, thirty_frames_go_one_fourteen_fifteen) {
    SpeedPlan plan = planSpeedControl(alongX(3), {10, 10, 10}, 0.25, 0.25);
    ASSERT_EQ(201u + 2u + 30u + 3u + 2u, plan.report.size());
    EXPECT_EQ("0.00 0.000000 0.000000 0.000000 0.000000", plan.report[0]);
    EXPECT_EQ("frame count: 30", plan.report[201]);
    EXPECT_EQ("top speed: 1.333333", plan.report[202]);
    EXPECT_EQ("     0   0.000000   0.000000", plan.report[203]);
    EXPECT_EQ((std::vector<std::string>{"1", "14", "15", "frames: 14", "frames: 15"}), tail(plan.report, 5));
    ASSERT_EQ(2u, plan.steps.size());
    EXPECT_EQ(236u, plan.steps[0].reportLine);
    EXPECT_EQ(237u, plan.steps[1].reportLine);
    const std::vector<double>& second = plan.steps[0].tValues;
    const std::vector<double>& third = plan.steps[1].tValues;
    ASSERT_EQ(14u, second.size());
    ASSERT_EQ(15u, third.size());
    const double want[][2] = {
        {0.0, second[0]}, {0.0123, second[1]}, {0.0465, second[2]}, {-0.045, third[0]}, {0.9877, third[14]}};
    for (const auto& w : want)
        EXPECT_NEAR(w[0], w[1], 5e-5);
}

// Six frames for five segments: frame 4 (parameter 4.416) passes two bounds and the last step gets no count.
TEST(SpeedPlannerTest, steps_beyond_the_counts_are_left_out_and_overshoots_reported) {
    std::vector<int> timings(6, 1);
    SpeedPlan plan = planSpeedControl(alongX(6), timings, 0.25, 0.25);
    EXPECT_EQ((std::vector<std::string>{"1", "1", "1", "1", "2", "frames: 1", "frames: 1", "frames: 1", "frames: 2",
                                        "erroroneous tValue of 1.416119 being assigned!!!"}),
              tail(plan.report, 10));
    ASSERT_EQ(4u, plan.steps.size());
    // Frame 2 lies on the straight middle of the path: 0.366667 of 5 = 1.833333.
    EXPECT_NEAR(1.833333 - 2.0, plan.steps[2].tValues.at(0), 1e-6);
    ASSERT_EQ(2u, plan.steps[3].tValues.size());
    EXPECT_NEAR(1.416119, plan.steps[3].tValues[1], 1e-6);
    EXPECT_TRUE(planSpeedControl(alongX(2), {1, 1}, 0.25, 0.25).report.empty());
}

// The model prints, applies and plays the plan, twice; unequal accel and decel shares so they cannot be mixed up.
TEST(SpeedPlannerTest, the_model_prints_the_plan_applies_it_and_plays_it) {
    TestModel m;
    addScript(m, "line", {0, 1, 2, 3, 4, 5}, {1, 1, 1, 1, 1, 1}, INT_SIN);
    std::vector<int> timings(6, 1);
    for (int run = 0; run < 2; ++run) {
        SpeedPlan plan = planSpeedControl(alongX(6), timings, 0.1, 0.4);
        std::string want;
        for (const std::string& line : plan.report)
            want += line + "\n";
        testing::internal::CaptureStdout();
        EXPECT_EQ(0, m.doSpeedControl("line", "x", "y", "z", 0.1, 0.4));
        EXPECT_EQ(want, testing::internal::GetCapturedStdout());
        for (size_t j = 1; j < 6; ++j) {
            const script_step& st = m.stepOf("line", j);
            const std::vector<double> none;
            const std::vector<double>& t = j - 1 < plan.steps.size() ? plan.steps[j - 1].tValues : none;
            EXPECT_EQ(t, std::vector<double>(st.tValues, st.tValues + (st.tValues ? st.timing : 0))) << j;
            EXPECT_EQ(t.empty() ? timings[j] : int(t.size()), st.timing) << j;
            timings[j] = st.timing;
        }
    }
    ASSERT_EQ(0, m.runScript("line"));
    m.step();  // the first step
    const script_step& second = m.stepOf("line", 1);
    for (int k = 0; k < second.timing; ++k) {
        m.step();
        EXPECT_NEAR((1 - std::cos(std::acos(-1.0) * second.tValues[k])) / 2, m.getAttribute("x"), 1e-12) << k;
    }
}

TEST(SpeedPlannerTest, a_plan_is_not_applied_to_a_script_whose_steps_changed) {
    TestModel m;
    addScript(m, "line", {0, 1, 2}, {10, 10, 10}, INT_SIN);
    SpeedControlSnapshot snapshot;
    ASSERT_EQ(0, m.speedControlSnapshot("line", "x", "y", "z", 0.25, 0.25, snapshot));
    EXPECT_EQ(std::vector<int>({10, 10, 10}), snapshot.timings);
    const SpeedPlan plan = planSpeedControl(snapshot.points, snapshot.timings, 0.25, 0.25);
    m.append({{"x", 3.0}}, 10, INT_SIN);
    for (const char* name : {"line", "other"}) {
        std::string why;
        EXPECT_EQ(-1, m.applySpeedControl(name, snapshot, plan, &why));
        EXPECT_EQ("script '" + std::string(name) + "' changed while it was planned", why);
    }
    EXPECT_EQ(10, m.stepOf("line", 1).timing);

    ASSERT_EQ(0, m.speedControlSnapshot("line", "x", "y", "z", 0.25, 0.25, snapshot));
    const SpeedPlan again = planSpeedControl(snapshot.points, snapshot.timings, 0.25, 0.25);
    EXPECT_EQ(0, m.applySpeedControl("line", snapshot, again));
    EXPECT_EQ(int(again.steps[0].tValues.size()), m.stepOf("line", 1).timing);
}
