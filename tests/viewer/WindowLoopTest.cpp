// The window loop's share of the model list: which ticks move a model, and so need a frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "scene/SceneState.h"
#include "tests/model/TestModel.h"
#include "viewer/ModelPasses.h"

namespace {

// Puts one model alone in the model list for the life of the object.
class OnlyModel {
public:
    OnlyModel(const char* name, TestModel& model) {
        saved_.swap(models);
        models[name] = &model;
    }
    ~OnlyModel() { saved_.swap(models); }

private:
    std::map<const char*, AnimatedModel*, cmp_str> saved_;
};

std::vector<bool> stepTicks(int ticks) {
    std::vector<bool> moved;
    for (int i = 0; i < ticks; ++i)
        moved.push_back(stepModels());
    return moved;
}

}  // namespace

TEST(StepModels, every_tick_that_changes_a_pose_asks_for_a_frame_and_no_other) {
    TestModel m("mover");
    OnlyModel only("mover", m);
    EXPECT_EQ(stepTicks(2), std::vector<bool>({false, false}));

    // Three ticks of a transition move x three times; the last move is drawn too.
    m.animateTo({{"x", 3.0}}, 3, INT_LINEAR);
    EXPECT_EQ(stepTicks(5), std::vector<bool>({true, true, true, false, false}));
    EXPECT_DOUBLE_EQ(m.getAttribute("x"), 3.0);

    // A repeating script never rests until it is stopped.
    addScript(m, "loop", {0.0, 3.0}, {2, 2}, INT_LINEAR, SCR_REPEAT);
    ASSERT_EQ(m.runScript("loop"), 0);
    const std::vector<bool> playing = stepTicks(50);
    EXPECT_TRUE(std::all_of(playing.begin(), playing.end(), [](bool b) { return b; }));
    m.stopScript();
    EXPECT_EQ(stepTicks(1), std::vector<bool>({false}));
}
