// Where a playing script's window stands, step by step, as scripts grow and end; which scripts can be played at all.
#include <gtest/gtest.h>

#include <string>

#include "model/StepWindow.h"

namespace {

// A script of steps without poses, one interpolation letter per step: L linear, B Bezier, C Catmull-Rom.
struct Steps {
    script_steps list;
    script s{&list, SCR_TERMINATE};
    void add(const std::string& kinds) {
        const interpolation_type types[] = {INT_LINEAR, INT_CUBIC_BEZIER, INT_CATMULL_ROM};
        for (char k : kinds)
            list.push_back({nullptr, 1, types[std::string("LBC").find(k)], nullptr});
    }
};

std::string where(const StepWindow& w, script_steps& list) {
    const auto at = [&](const script_step& st) {
        size_t i = 0;
        for (auto it = list.begin(); it != list.end() && &*it != &st; ++it)
            ++i;
        return std::to_string(i);
    };
    if (!isSplineType(list.front().interpol))
        return "@" + at(w.current());
    return at(w.segmentStart()) + " " + at(w.control1()) + " " + at(w.control2()) + " " + at(w.current());
}

}  // namespace

// Windows as "segment start, control 1, control 2, current", "@current" for a simple script; Catmull-Rom doubles ends.
TEST(StepWindowTest, each_kind_of_script_moves_segment_by_segment_to_its_end) {
    const struct {
        std::string kinds, appended, trace;  // steps at the start, steps added once it started, where it stood
    } cases[] = {
        {"LLL", "", "@0, @1, @2, end"},
        {"LL", "L", "@0, @1, @2, end"},
        {"LL", "C", "@0, @1, missing"},  // a spline step without the controls a spline start sets
        {"BBBB", "", "0 1 2 3, end"},
        {"BBBBBBB", "", "0 1 2 3, 3 4 5 6, end"},
        {"BBBB", "BBB", "0 1 2 3, 3 4 5 6, end"},
        {"BBBB", "BB", "0 1 2 3, missing"},
        {"CCC", "", "0 0 2 1, 1 0 2 2, end"},
        {"CCCC", "", "0 0 2 1, 1 0 3 2, 2 1 3 3, end"},
        {"CCC", "C", "0 0 2 1, 1 0 3 2, 2 1 3 3, end"},
        {"CCCB", "", "0 0 2 1, 1 0 3 2, missing"},
    };
    for (const auto& c : cases) {
        Steps steps;
        steps.add(c.kinds);
        StepWindow w;
        w.start(steps.s);
        steps.add(c.appended);
        std::string trace = where(w, steps.list);
        const char* ended[] = {nullptr, "end", "missing"};  // by Advance
        for (StepWindow::Advance a = w.advance();; a = w.advance()) {
            trace += ", " + (a == StepWindow::kNextStep ? where(w, steps.list) : ended[a]);
            if (a != StepWindow::kNextStep)
                break;
        }
        EXPECT_EQ(c.trace, trace) << c.kinds << " + " << c.appended;
    }
    // Back to the first step; the controls stay, and are valid only for the script the window points into.
    Steps steps, other;
    steps.add("CCCC");
    other.add("CCCC");
    StepWindow w;
    EXPECT_EQ(StepWindow::kMissingStep, w.advance());  // never started
    EXPECT_FALSE(w.controlStepsValid(&steps.s));
    w.start(steps.s);
    w.advance();
    w.restart();
    EXPECT_EQ("1 0 3 0", where(w, steps.list));
    EXPECT_TRUE(w.controlStepsValid(&steps.s));
    EXPECT_FALSE(w.controlStepsValid(&other.s));
    EXPECT_FALSE(w.controlStepsValid(nullptr));
}

// Each case: the steps, 'r' for a repeating script, then '+' if it can be played, '-' if not.
TEST(StepWindowTest, playable_scripts_have_the_steps_their_first_segment_needs) {
    for (const std::string c : {"-", "L+", "LLLr+", "LLC-", "LBL-", "B-", "BBBB+", "BBBBB-", "BBBBBB-", "BBBBBBB+",
                                "BBBBr-", "CC-", "CCC+", "CCCr+", "LLr+"}) {
        Steps steps;
        steps.add(c.substr(0, c.find_first_of("r+-")));
        steps.s.behavior = c.find('r') != std::string::npos ? SCR_REPEAT : SCR_TERMINATE;
        EXPECT_EQ(c.back() == '+', StepWindow::playable(steps.s)) << c;
    }
    EXPECT_FALSE(StepWindow::playable(script{nullptr, SCR_TERMINATE}));
}
