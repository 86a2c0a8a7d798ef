// Pose, script, binding and animation commands run through executeLine, as
// typed, against a small test model.
#include <cmath>

#include "tests/console/SceneFixture.h"

namespace {

class AnimationCommands : public SceneFixture {
protected:
    // Poses a (x 0), b (x 1), c (x 2), taken from the tester.
    void recordThreePoses() {
        for (const char* line : {"set x 0", "new pose a", "set x 1", "new pose b", "set x 2", "new pose c", "set x 0"})
            ASSERT_EQ(out(line), "") << line;
    }
    bool playing(TestModel& model, const char* script_name) {
        return model.current_script && model.current_script == model.findScript(script_name) && model.ticks_left > 0;
    }
};

const char kControlsAtStart[] =
    "current control mappings:\n  a: rotation_x\n  d: rotation_z\n  e: z\n  q: x\n  s: rotation_y\n  w: y\n\n";
const char kAnimateUsage[] =
    "usage: animate [<modelname>:]<scriptName>\n       animate <poseName> <frames> [linear/sin]\n";
const char kSpeedUsage[] =
    "usage: speedcontrol <script_name> <param_name> <param_name>\n     <param_name> <accel_ratio> <deccel_ratio>\n";

}  // namespace

TEST_F(AnimationCommands, start_up_bindings_form_the_only_scheme) {
    ASSERT_EQ(control_schemes.size(), 1u);
    EXPECT_EQ(control_schemes.begin()->second, current_controls);
    EXPECT_STREQ(control_schemes.begin()->first, "Default");
    EXPECT_EQ(out("list controls"), kControlsAtStart);
}

TEST_F(AnimationCommands, binding_replaces_a_key_and_takes_only_the_first_character) {
    EXPECT_EQ(out("new binding w"), "usage: new binding <key> <paramname>\n");
    EXPECT_EQ(out("new binding w rotation_y"), "no such attribute 'rotation_y'\n");  // the tester has none
    EXPECT_EQ(out("list controls"), kControlsAtStart);

    EXPECT_EQ(out("new binding w size"), "");
    EXPECT_EQ(out("new binding kz red"), "");
    EXPECT_EQ(out("list controls"), "current control mappings:\n  a: rotation_x\n  d: rotation_z\n  e: z\n"
                                    "  k: red\n  q: x\n  s: rotation_y\n  w: size\n\n");
    EXPECT_EQ(current_controls->count('z'), 0u);
}

TEST_F(AnimationCommands, select_control_finds_schemes_by_name) {
    control_map* other = new control_map;
    control_schemes["Other"] = other;
    EXPECT_EQ(out("select control Other"), "");
    EXPECT_EQ(current_controls, other);
    EXPECT_EQ(out("select control default"), "control scheme not found 'default'\n");
    EXPECT_EQ(current_controls, other);
    EXPECT_EQ(out("select control Default"), "");
    EXPECT_EQ(current_controls, control_schemes["Default"]);
}

TEST_F(AnimationCommands, select_without_a_name_prints_its_usage) {
    const std::string usage = "usage: select model|script|control <modelname>|<scriptname>|<controlschemename>\n";
    EXPECT_EQ(out("select control"), usage);
    EXPECT_EQ(out("select script"), usage);
}

TEST_F(AnimationCommands, new_pose_records_the_current_values_and_replaces_by_name) {
    EXPECT_EQ(out("set x 2"), "");
    EXPECT_EQ(out("new pose p1"), "");
    ASSERT_EQ(poses.size(), 1u);
    const char* key = poses.begin()->first;
    position* first = poses["p1"];
    EXPECT_EQ(first->size(), 5u);
    EXPECT_DOUBLE_EQ((*first)["x"], 2.0);
    EXPECT_DOUBLE_EQ((*first)["red"], 0.5);

    // The pose is a snapshot: later changes of the model do not reach it.
    tester.setAttribute("x", 7.0);
    EXPECT_DOUBLE_EQ((*poses["p1"])["x"], 2.0);

    EXPECT_EQ(out("new pose p1"), "");
    ASSERT_EQ(poses.size(), 1u);
    EXPECT_EQ(poses.begin()->first, key);  // one key string, kept
    EXPECT_DOUBLE_EQ((*poses["p1"])["x"], 7.0);
    EXPECT_EQ(out("list poses"), "  p1\n");
}

TEST_F(AnimationCommands, poses_are_shared_between_models) {
    EXPECT_EQ(out("set x 3"), "");
    EXPECT_EQ(out("new pose p"), "");
    EXPECT_EQ(out("select model m1"), "");
    EXPECT_EQ(out("animate p 1"), "");
    m1.step();
    EXPECT_DOUBLE_EQ(m1.getAttribute("x"), 3.0);
}

TEST_F(AnimationCommands, scripts_are_created_once_and_selected_by_name) {
    EXPECT_EQ(out("new script walk"), "");
    EXPECT_EQ(tester.current_script, tester.findScript("walk"));
    EXPECT_EQ(out("new script run"), "");
    EXPECT_EQ(out("new script walk"), "error creating script 'walk'\n");
    EXPECT_EQ(tester.current_script, tester.findScript("run"));
    EXPECT_EQ(out("select script walk"), "");
    EXPECT_EQ(tester.current_script, tester.findScript("walk"));
    EXPECT_EQ(out("select script hop"), "error selecting script 'hop'\n");
    EXPECT_EQ(tester.current_script, tester.findScript("walk"));
    EXPECT_EQ(out("list scripts"), "  run\n  walk\n");
}

TEST_F(AnimationCommands, add_appends_steps_with_timing_and_interpolation_words) {
    recordThreePoses();
    EXPECT_EQ(out("add"), "usage: add <poseName> <timing> [linear|sin]\n");
    EXPECT_EQ(out("add a"), "usage: add <poseName> <timing> [linear|sin]\n");
    EXPECT_EQ(out("add a 5"), "no current script\nerror appending pose\n");
    EXPECT_EQ(out("new script walk"), "");
    EXPECT_EQ(out("add ghost 5"), "pose 'ghost' not found\n");
    EXPECT_EQ(tester.stepCount("walk"), 0u);

    EXPECT_EQ(out("add a 5 sin"), "");
    EXPECT_EQ(out("add b 7 linear"), "");
    EXPECT_EQ(out("add c 12 cubic"), "");
    EXPECT_EQ(out("add b seven sin"), "");  // no number: timing 0, kept as 1
    ASSERT_EQ(tester.stepCount("walk"), 4u);
    EXPECT_EQ(tester.stepOf("walk", 0).timing, 5);
    EXPECT_EQ(tester.stepOf("walk", 0).interpol, INT_SIN);
    EXPECT_EQ(tester.stepOf("walk", 1).interpol, INT_LINEAR);
    EXPECT_EQ(tester.stepOf("walk", 2).timing, 12);
    EXPECT_EQ(tester.stepOf("walk", 2).interpol, INT_LINEAR);
    EXPECT_DOUBLE_EQ((*tester.stepOf("walk", 2).pose)["x"], 2.0);
    EXPECT_EQ(tester.stepOf("walk", 3).timing, 1);
    EXPECT_EQ(tester.stepOf("walk", 3).interpol, INT_SIN);
}

TEST_F(AnimationCommands, animate_moves_to_a_pose_over_the_frames_given) {
    EXPECT_EQ(out("animate"), kAnimateUsage);
    EXPECT_EQ(out("set x 10"), "");
    EXPECT_EQ(out("new pose far"), "");
    EXPECT_EQ(out("set x 0"), "");

    EXPECT_EQ(out("animate ghost 5"), "pose not found: ghost\ntry list poses\n");
    EXPECT_EQ(tester.ticks_left, 0);

    EXPECT_EQ(out("animate far 4"), "");
    EXPECT_EQ(tester.ticks_total, 4);
    for (int i = 1; i <= 4; ++i) {
        tester.step();
        EXPECT_NEAR(tester.getAttribute("x"), 2.5 * i, 1e-12) << "tick " << i;
    }

    // Sine ease from 10 back to 0 over 4 ticks: after the first tick the
    // model has covered (1 - cos(pi/4)) / 2 of the way.
    EXPECT_EQ(out("set x 0"), "");
    EXPECT_EQ(out("new pose home"), "");
    EXPECT_EQ(out("set x 10"), "");
    EXPECT_EQ(out("animate home 4 sin"), "");
    tester.step();
    EXPECT_NEAR(tester.getAttribute("x"), 10.0 - 10.0 * (1.0 - std::cos(std::acos(-1.0) / 4)) / 2.0, 1e-9);

    EXPECT_EQ(out("animate far 4 bounce"), "");
    EXPECT_EQ(tester.current_interpolation, INT_LINEAR);
    EXPECT_EQ(out("animate far soon"), "");  // no number: zero frames
    EXPECT_EQ(tester.ticks_total, 0);
}

TEST_F(AnimationCommands, animate_runs_a_script_of_the_current_model) {
    recordThreePoses();
    EXPECT_EQ(out("new script walk"), "");
    EXPECT_EQ(out("add a 2"), "");
    EXPECT_EQ(out("add b 3"), "");
    EXPECT_EQ(out("new script empty"), "");

    Output o = runLine("animate hop");
    EXPECT_EQ(o.out, "error running script 'hop'\n");
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(out("animate empty"), "error running script 'empty'\n");

    EXPECT_EQ(out("animate walk"), "");
    EXPECT_TRUE(playing(tester, "walk"));
    EXPECT_EQ(tester.ticks_total, 2);
}

TEST_F(AnimationCommands, animate_starts_scripts_on_named_models) {
    recordThreePoses();
    for (const char* line : {"select model m1", "new script walk", "add c 4", "select model m2", "new script run",
                             "add b 6", "select model tester"})
        ASSERT_EQ(out(line), "") << line;

    // The plain word ends the list; the word after it would name no model.
    Output o = runLine("animate m1:walk m2:run plain ghost:walk");
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.err, "");
    EXPECT_TRUE(playing(m1, "walk"));
    EXPECT_TRUE(playing(m2, "run"));
    EXPECT_EQ(m1.ticks_total, 4);
    EXPECT_EQ(current_model, &tester);

    o = runLine("animate ghost:walk m1:run m2:run:x");
    EXPECT_EQ(o.out, "model not found 'ghost'\n");
    EXPECT_EQ(o.err, "error running script 'run'\nerror running script 'run:x'\n");

    // Named scripts need no current model.
    current_model = nullptr;
    EXPECT_EQ(out("animate m2:run"), "");
    EXPECT_TRUE(playing(m2, "run"));
}

TEST_F(AnimationCommands, speed_control_retimes_the_steps_after_the_first) {
    recordThreePoses();
    for (const char* line : {"new script walk", "add a 10", "add b 10", "add c 10"}) ASSERT_EQ(out(line), "") << line;

    EXPECT_EQ(out("speed_control"), kSpeedUsage);
    EXPECT_EQ(out("speed_control walk x y z 0.25"), kSpeedUsage);
    EXPECT_EQ(out("speed_control hop x y z 0.25 0.25"), "error performing speed control\n");

    // Thirty frames at a quarter acceleration and deceleration: the path of
    // length 2 splits 1 + 14 + 15 over the three steps.
    const std::string text = out("speed_control walk x y z 0.25 0.25");
    EXPECT_EQ(text.rfind("0.00 0.000000 0.000000 0.000000 0.000000\n", 0), 0u);
    EXPECT_NE(text.find("frame count: 30\ntop speed: 1.333333\n"), std::string::npos);
    const std::string tail = "1\n14\n15\nframes: 14\nframes: 15\n";
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    EXPECT_EQ(tester.stepOf("walk", 0).timing, 10);
    EXPECT_EQ(tester.stepOf("walk", 1).timing, 14);
    EXPECT_EQ(tester.stepOf("walk", 2).timing, 15);
}

TEST_F(AnimationCommands, commands_on_the_current_model_need_one) {
    recordThreePoses();
    ASSERT_EQ(out("new script walk"), "");
    current_model = nullptr;
    for (const char* line : {"new pose p", "new script s", "new binding w x", "select script walk", "add a 1",
                             "animate a 5", "animate walk", "speed_control walk x y z 0.2 0.2"}) {
        Output o = runLine(line);
        EXPECT_EQ(o.out, "no model selected\n") << line;
        EXPECT_EQ(o.err, "") << line;
    }
    EXPECT_EQ(poses.size(), 3u);
    EXPECT_EQ(out("list controls"), kControlsAtStart);
    // Usage comes before the model check.
    EXPECT_EQ(out("add a"), "usage: add <poseName> <timing> [linear|sin]\n");
}
