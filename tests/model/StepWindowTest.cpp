// Where a playing script's window stands, step by step, for each kind of script, for scripts that grow while they
// play and at the end of the list; which scripts can be played at all.
#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "model/StepWindow.h"

namespace {

// A script of steps without poses, one interpolation letter per step: L linear, B Bezier, C Catmull-Rom.
struct Steps {
    script_steps list;
    script s{&list, SCR_TERMINATE};
    void add(const std::string& kinds) {
        for (char k : kinds)
            list.push_back({nullptr, 1,
                            k == 'B'   ? INT_CUBIC_BEZIER
                            : k == 'C' ? INT_CATMULL_ROM
                                       : INT_LINEAR,
                            nullptr});
    }
};

// "segment start, control 1, control 2, current" as step numbers; "@current" for a simple script.
std::string where(const StepWindow& w, script_steps& list) {
    const auto at = [&](const script_step& st) {
        for (auto it = list.begin(); it != list.end(); ++it)
            if (&*it == &st)
                return std::to_string(std::distance(list.begin(), it));
        return std::string("?");
    };
    if (!isSplineType(list.front().interpol))
        return "@" + at(w.current());
    return at(w.segmentStart()) + " " + at(w.control1()) + " " + at(w.control2()) + " " + at(w.current());
}

}  // namespace

TEST(StepWindowTest, each_kind_of_script_moves_segment_by_segment_to_its_end) {
    const struct {
        std::string kinds, appended;  // steps at the start, and steps added once it started
        std::vector<std::string> trace;
    } cases[] = {
        {"LLL", "", {"@0", "@1", "@2", "end"}},
        {"LL", "L", {"@0", "@1", "@2", "end"}},
        {"LL", "C", {"@0", "@1", "missing"}},  // a spline step without the controls a spline start sets
        {"BBBB", "", {"0 1 2 3", "end"}},
        {"BBBBBBB", "", {"0 1 2 3", "3 4 5 6", "end"}},
        {"BBBB", "BBB", {"0 1 2 3", "3 4 5 6", "end"}},
        {"BBBB", "B", {"0 1 2 3", "missing"}},
        {"BBBB", "BB", {"0 1 2 3", "missing"}},
        // The first step doubles as the one before the start; on the last segment, the end as the one after it.
        {"CCC", "", {"0 0 2 1", "1 0 2 2", "end"}},
        {"CCCC", "", {"0 0 2 1", "1 0 3 2", "2 1 3 3", "end"}},
        {"CCC", "C", {"0 0 2 1", "1 0 3 2", "2 1 3 3", "end"}},
        {"CCCB", "", {"0 0 2 1", "1 0 3 2", "missing"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kinds + "+" + c.appended);
        Steps steps;
        steps.add(c.kinds);
        ASSERT_TRUE(StepWindow::playable(steps.s));
        StepWindow w;
        w.start(steps.s);
        steps.add(c.appended);
        std::vector<std::string> trace = {where(w, steps.list)};
        for (StepWindow::Advance a = StepWindow::kNextStep; a == StepWindow::kNextStep;) {
            a = w.advance();
            trace.push_back(a == StepWindow::kNextStep    ? where(w, steps.list)
                            : a == StepWindow::kEndOfList ? "end"
                                                          : "missing");
        }
        EXPECT_EQ(c.trace, trace);
    }
}

TEST(StepWindowTest, restart_goes_back_to_the_first_step_and_keeps_the_controls) {
    Steps steps;
    steps.add("CCCC");
    StepWindow w;
    EXPECT_EQ(StepWindow::kMissingStep, w.advance());  // never started
    EXPECT_FALSE(w.pointsInto(&steps.s));
    EXPECT_FALSE(w.controlStepsValid(&steps.s));
    w.start(steps.s);
    ASSERT_EQ(StepWindow::kNextStep, w.advance());
    w.restart();
    EXPECT_EQ("1 0 3 0", where(w, steps.list));
    EXPECT_TRUE(w.controlStepsValid(&steps.s));
    Steps other;
    other.add("CCCC");
    EXPECT_FALSE(w.controlStepsValid(&other.s));
    EXPECT_FALSE(w.controlStepsValid(nullptr));
    other.list.clear();
    other.add("LL");
    w.start(other.s);
    EXPECT_FALSE(w.controlStepsValid(&other.s));  // a simple script has none
}

TEST(StepWindowTest, playable_scripts_have_the_steps_their_first_segment_needs) {
    const struct {
        std::string kinds;
        int behavior;
        bool playable;
    } cases[] = {
        {"", SCR_TERMINATE, false},       {"L", SCR_TERMINATE, true},      {"LLL", SCR_REPEAT, true},
        {"LLC", SCR_TERMINATE, false},    {"LBL", SCR_TERMINATE, false},   {"B", SCR_TERMINATE, false},
        {"BBBB", SCR_TERMINATE, true},    {"BBBBB", SCR_TERMINATE, false}, {"BBBBBB", SCR_TERMINATE, false},
        {"BBBBBBB", SCR_TERMINATE, true}, {"BBBB", SCR_REPEAT, false},     {"CC", SCR_TERMINATE, false},
        {"CCC", SCR_TERMINATE, true},     {"CCC", SCR_REPEAT, true},
    };
    for (const auto& c : cases) {
        Steps steps;
        steps.add(c.kinds);
        steps.s.behavior = static_cast<script_behavior>(c.behavior);
        EXPECT_EQ(c.playable, StepWindow::playable(steps.s)) << c.kinds << " behaviour " << c.behavior;
    }
    EXPECT_FALSE(StepWindow::playable(script{nullptr, SCR_TERMINATE}));
}
