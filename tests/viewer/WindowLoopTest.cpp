// The window loop's share of the model list: which ticks move a model, and so need a frame.
#include <vector>

#include "tests/console/SceneFixture.h"
#include "viewer/ModelPasses.h"

static std::vector<bool> stepTicks(int ticks) {
    std::vector<bool> moved;
    for (int i = 0; i < ticks; ++i)
        moved.push_back(stepModels());
    return moved;
}

using StepModels = SceneFixture;  // only the tester moves

TEST_F(StepModels, every_tick_that_changes_a_pose_asks_for_a_frame_and_no_other) {
    EXPECT_EQ(stepTicks(2), std::vector<bool>({false, false}));

    // Three ticks of a transition move x three times; the last move is drawn too.
    tester.animateTo({{"x", 3.0}}, 3, INT_LINEAR);
    EXPECT_EQ(stepTicks(5), std::vector<bool>({true, true, true, false, false}));
    EXPECT_DOUBLE_EQ(tester.getAttribute("x"), 3.0);

    // A repeating script never rests until it is stopped.
    addScript(tester, "loop", {0.0, 3.0}, {2, 2}, INT_LINEAR, SCR_REPEAT);
    ASSERT_EQ(tester.runScript("loop"), 0);
    EXPECT_EQ(stepTicks(50), std::vector<bool>(50, true));
    tester.stopScript();
    EXPECT_EQ(stepTicks(1), std::vector<bool>({false}));
}
