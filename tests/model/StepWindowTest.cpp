// Where a playing script stands: the steps a script starts from, how spline
// segments move on, and that the window never leaves its list. Steps are told
// apart by their timing, which holds their index here.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "model/OwnedPose.h"
#include "model/StepWindow.h"

namespace {

struct ScratchScript {
    script s{new script_steps, SCR_TERMINATE};
    ScratchScript(std::vector<interpolation_type> types, script_behavior behavior = SCR_TERMINATE) {
        s.behavior = behavior;
        for (size_t i = 0; i < types.size(); ++i)
            s.steps->push_back({nullptr, int(i), types[i], nullptr});
    }
    ~ScratchScript() { delete s.steps; }
};

// Indices of current, segment start, control 1 and control 2.
std::vector<int> where(const StepWindow& w, bool withControls) {
    if (!withControls)
        return {w.current().timing};
    return {w.current().timing, w.segmentStart().timing, w.control1().timing, w.control2().timing};
}

const interpolation_type B = INT_CUBIC_BEZIER, C = INT_CATMULL_ROM, L = INT_LINEAR;

}  // namespace

TEST(StepWindowTest, starts_and_moves_on_per_segment_type_until_the_list_ends) {
    struct Case {
        const char* what;
        std::vector<interpolation_type> types;
        std::vector<std::vector<int>> positions;  // after start, then after each advance
    };
    const Case cases[] = {
        {"simple", {L, L, L}, {{0}, {1}, {2}}},
        {"bezier s0..s3, then s3..s6", {B, B, B, B, B, B, B}, {{3, 0, 1, 2}, {6, 3, 4, 5}}},
        {"catmull-rom doubles s0, then the last step", {C, C, C, C}, {{1, 0, 0, 2}, {2, 1, 0, 3}, {3, 2, 1, 3}}},
    };
    for (const Case& c : cases) {
        ScratchScript sc(c.types);
        ASSERT_TRUE(StepWindow::playable(sc.s)) << c.what;
        StepWindow w;
        w.start(sc.s);
        bool spline = c.types[0] != L;
        EXPECT_EQ(spline, w.controlStepsValid(&sc.s)) << c.what;
        EXPECT_EQ(c.positions[0], where(w, spline)) << c.what;
        for (size_t k = 1; k < c.positions.size(); ++k) {
            ASSERT_EQ(StepWindow::kNextStep, w.advance()) << c.what << " " << k;
            EXPECT_EQ(c.positions[k], where(w, spline)) << c.what << " " << k;
            EXPECT_EQ(spline, w.controlStepsValid(&sc.s)) << c.what << " " << k;
        }
        EXPECT_EQ(StepWindow::kEndOfList, w.advance()) << c.what;
        w.restart();
        EXPECT_EQ(0, w.current().timing) << c.what;
        EXPECT_TRUE(w.pointsInto(&sc.s));
    }
}

TEST(StepWindowTest, refuses_what_it_could_not_play_and_stops_short_of_missing_steps) {
    const std::vector<interpolation_type> refused[] = {{}, {B, B, B, B, B}, {B}, {C, C}, {L, B}};
    for (const auto& types : refused)
        EXPECT_FALSE(StepWindow::playable(ScratchScript(types).s)) << types.size();
    EXPECT_FALSE(StepWindow::playable(ScratchScript({B, B, B, B}, SCR_REPEAT).s));

    ScratchScript grown({B, B, B, B});
    StepWindow w;
    EXPECT_FALSE(w.controlStepsValid(&grown.s));  // points nowhere yet
    w.start(grown.s);
    grown.s.steps->push_back({nullptr, 4, B, nullptr});  // a segment with one step of three
    EXPECT_EQ(StepWindow::kMissingStep, w.advance());

    ScratchScript simple({L, L});
    w.start(simple.s);
    EXPECT_FALSE(w.controlStepsValid(&simple.s));
    EXPECT_FALSE(w.controlStepsValid(&grown.s));
    simple.s.steps->push_back({nullptr, 2, C, nullptr});  // a spline step without control steps
    ASSERT_EQ(StepWindow::kNextStep, w.advance());
    EXPECT_EQ(StepWindow::kMissingStep, w.advance());
}

TEST(OwnedPoseTest, the_copy_keeps_values_and_outlives_the_names_it_was_made_from) {
    char* x = strdup("x");
    char* red = strdup("red");
    position* copy = copyPoseOwningNames(position{{x, 1.5}, {red, -2.0}});
    std::free(x);
    std::free(red);
    ASSERT_EQ(2u, copy->size());
    EXPECT_EQ(1.5, copy->at("x"));
    EXPECT_EQ(-2.0, copy->at("red"));
    freePoseOwningNames(copy);
    freePoseOwningNames(nullptr);
}
