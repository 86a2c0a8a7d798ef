// Pose, binding, script-step and animation commands as typed.
#include <unistd.h>

#include <thread>

#include "tests/console/SceneFixture.h"

using AnimationCommands = SceneFixture;

static bool playing(TestModel& m, const char* name) {
    return m.current_script == m.findScript(name) && m.ticks_left > 0;
}

TEST_F(AnimationCommands, new_pose_is_a_snapshot_replaced_by_name) {
    runQuietly({"set x 2", "new pose p1"});
    ASSERT_EQ(poses.size(), 1u);
    tester.setAttribute("x", 7.0);
    EXPECT_DOUBLE_EQ((*poses["p1"])["x"], 2.0);
    EXPECT_EQ(out("new pose p1"), "");  // the old pose is released, or the leak check sees it
    EXPECT_DOUBLE_EQ((*poses["p1"])["x"], 7.0);
    EXPECT_EQ(out("list poses"), "  p1\n");
}

TEST_F(AnimationCommands, binding_replaces_a_key_and_takes_only_the_first_character) {
    EXPECT_EQ(out("new binding w"), "usage: new binding <key> <paramname>\n");
    EXPECT_EQ(out("new binding w rotation_y"), "no such attribute 'rotation_y'\n");  // the tester has none
    runQuietly({"new binding w size", "new binding kz red"});
    EXPECT_EQ(out("list controls"),
              "current control mappings:\n  a: rotation_x\n  d: rotation_z\n  e: z\n"
              "  k: red\n  q: x\n  s: rotation_y\n  w: size\n\n");
}

TEST_F(AnimationCommands, add_reads_timing_and_interpolation_words) {
    runQuietly({"new pose a", "set x 2", "new pose c"});
    EXPECT_EQ(out("add a"), "usage: add <poseName> <timing> [linear|sin]\n");
    EXPECT_EQ(out("add a 5"), "no current script\nerror appending pose\n");
    EXPECT_EQ(out("new script walk"), "");
    EXPECT_EQ(out("add ghost 5"), "pose 'ghost' not found\n");
    runQuietly({"add a 5 sin", "add c 12 cubic", "add c 0 sin"});
    ASSERT_EQ(tester.stepCount("walk"), 3u);
    EXPECT_EQ(tester.stepOf("walk", 0).timing, 5);
    EXPECT_EQ(tester.stepOf("walk", 0).interpol, INT_SIN);
    EXPECT_EQ(tester.stepOf("walk", 1).interpol, INT_LINEAR);  // only "sin" is not linear
    EXPECT_DOUBLE_EQ((*tester.stepOf("walk", 1).pose)["x"], 2.0);
    EXPECT_EQ(tester.stepOf("walk", 2).timing, 1);  // a timing of 0 is kept as 1
}

TEST_F(AnimationCommands, animate_a_pose_or_scripts_of_the_current_or_named_models) {
    runQuietly({"set x 10", "new pose far", "set x 0", "new script walk", "add far 2", "select model m1",
                "new script walk", "add far 4", "select model m2", "new script run", "add far 6",
                "select model tester"});
    EXPECT_EQ(out("animate"),
              "usage: animate [<modelname>:]<scriptName>\n"
              "       animate <poseName> <frames> [linear/sin]\n");
    EXPECT_EQ(out("animate ghost 5"), "pose not found: ghost\ntry list poses\n");
    EXPECT_EQ(out("animate far 4"), "");  // linear: a quarter of the way after one tick
    tester.step();
    EXPECT_DOUBLE_EQ(tester.getAttribute("x"), 2.5);
    EXPECT_EQ(out("animate far 4 sin"), "");
    EXPECT_EQ(tester.current_interpolation, INT_SIN);

    // The current model's script: a failure is reported on stdout, with the scripts there are when it is missing.
    EXPECT_EQ(runLine("animate hop").both(), "error running script 'hop'\nthe model's scripts: walk\n|");
    EXPECT_EQ(out("animate walk"), "");
    EXPECT_TRUE(playing(tester, "walk"));
    // model:script words up to the first plain word; failures to run go to stderr.
    EXPECT_EQ(runLine("animate m1:walk m2:run plain ghost:walk").both(), "|");
    EXPECT_TRUE(playing(m1, "walk") && playing(m2, "run"));
    EXPECT_EQ(current_model, &tester);
    EXPECT_EQ(runLine("animate ghost:walk m1:run m2:run:x").both(),
              "model not found 'ghost'\n|error running script 'run'\nthe model's scripts: walk\n"
              "error running script 'run:x'\nthe model's scripts: run\n");
}

TEST_F(AnimationCommands, behaviour_words_of_new_and_select_script) {
    const struct {
        const char* line;
        const char* script;
        int behavior;
    } made[] = {
        {"new script plain", "plain", SCR_TERMINATE},
        {"new script t terminate", "t", SCR_TERMINATE},
        {"new script r repeat", "r", SCR_REPEAT},
        {"new script b reverse", "b", SCR_REVERSE},
        {"new script o reverse_once", "o", SCR_REVERSE_ONCE},
    };
    for (const auto& c : made) {
        EXPECT_EQ(out(c.line), "") << c.line;
        ASSERT_NE(tester.findScript(c.script), nullptr) << c.line;
        EXPECT_EQ(tester.findScript(c.script)->behavior, c.behavior) << c.line;
        EXPECT_EQ(tester.current_script, tester.findScript(c.script)) << c.line;
    }
    for (const std::string word : {"Reverse", "back", "2"}) {
        const std::string expected =
            "unknown script behaviour '" + word + "': use terminate, repeat, reverse or reverse_once\n";
        EXPECT_EQ(out("new script bad " + word), expected);
        EXPECT_EQ(tester.findScript("bad"), nullptr) << word;
        EXPECT_EQ(out("select script plain " + word), expected);
        EXPECT_EQ(tester.current_script, tester.findScript("o")) << word;  // still the last one made
        EXPECT_EQ(tester.findScript("plain")->behavior, SCR_TERMINATE) << word;
    }
    EXPECT_EQ(out("select script plain reverse_once"), "");
    EXPECT_EQ(tester.current_script, tester.findScript("plain"));
    EXPECT_EQ(tester.findScript("plain")->behavior, SCR_REVERSE_ONCE);
    EXPECT_EQ(out("select script b"), "");  // without a word the behaviour stays
    EXPECT_EQ(tester.findScript("b")->behavior, SCR_REVERSE);
    EXPECT_EQ(out("select script ghost repeat"), "error selecting script 'ghost'\n");
    EXPECT_EQ(out("new script b terminate"), "error creating script 'b'\n");
    EXPECT_EQ(tester.findScript("b")->behavior, SCR_REVERSE);
}

// Each refusal keeps its old first words and says what is wrong; nothing is re-timed; timings add up in 64 bits.
TEST_F(AnimationCommands, speed_control_refusals_say_why) {
    addScript(tester, "big", {0, 1, 2}, {400000, 400000, 200001}, INT_SIN);
    addScript(tester, "short", {0, 1}, {5, 5}, INT_SIN);
    addScript(tester, "huge", {0, 1, 2}, {1 << 30, 1 << 30, 1 << 30}, INT_SIN);
    addScript(tester, "many", std::vector<double>(10001, 0.0), std::vector<int>(10001, 1), INT_SIN);
    const std::string ratios = "speed control ratios must be at least 0 and sum to at most 1: ";
    const struct {
        const char* line;
        std::string expected;
    } cases[] = {
        {"speed_control walk x y z 0.25",
         "usage: speedcontrol <script_name> <param_name> <param_name>\n"
         "     <param_name> <accel_ratio> <deccel_ratio>\n"},
        {"speed_control hop x y z 0.25 0.25", "error performing speed control: no script 'hop'\n"},
        {"speed_control short x y z 0.25 0.25",
         "error performing speed control: script 'short' has 2 steps, at least 3 are needed\n"},
        {"speed_control big x y z -0.5 0.25", ratios + "accel_ratio is -0.5\nerror performing speed control\n"},
        {"speed_control big x y z 0.25 -1", ratios + "deccel_ratio is -1\nerror performing speed control\n"},
        {"speed_control big x y z 0.75 0.5",
         ratios + "accel_ratio 0.75 + deccel_ratio 0.5 is 1.25\nerror performing speed control\n"},
        {"speed_control big x y z 0.25 0.25",
         "speed control: too many frames (1000001, at most 1000000)\nerror performing speed control\n"},
        {"speed_control huge x y z 0.25 0.25",
         "speed control: too many frames (3221225472, at most 1000000)\nerror performing speed control\n"},
        {"speed_control many x y z 0.25 0.25",
         "speed control: too many steps (10001, at most 10000)\nerror performing speed control\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(out(c.line), c.expected) << c.line;
    EXPECT_EQ(tester.stepOf("big", 1).timing, 400000);
    for (const char* name : {"short", "big", "huge", "many"})
        EXPECT_EQ(tester.stepOf(name, 1).tValues, nullptr) << name;
}

// The long report is printed with the model-list mutex free: stdout is a pipe the mutex is tried on mid-report.
TEST_F(AnimationCommands, speed_control_prints_its_report_without_the_lock) {
    std::vector<double> xs;
    for (int i = 0; i < 40; ++i)
        xs.push_back(i);
    addScript(tester, "long", xs, std::vector<int>(40, 10), INT_SIN);
    int fds[2];
    ASSERT_EQ(0, pipe(fds));
    std::fflush(stdout);
    const int saved = dup(1);
    dup2(fds[1], 1);
    close(fds[1]);
    int locked_while_printing = -1;
    std::string report;
    std::thread reader([&] {
        char buffer[4096];
        ssize_t got = read(fds[0], buffer, sizeof buffer);
        locked_while_printing = modelListLocked();
        for (; got > 0; got = read(fds[0], buffer, sizeof buffer))
            report.append(buffer, static_cast<size_t>(got));
    });
    std::string line = "speed_control long x y z 0.25 0.25";
    executeLine(&line[0]);
    std::fflush(stdout);
    dup2(saved, 1);  // the pipe's last writer goes: the reader sees its end
    close(saved);
    reader.join();
    close(fds[0]);
    EXPECT_EQ(locked_while_printing, 0);
    EXPECT_GT(report.size(), 100000u);
    EXPECT_EQ(report.find("error performing speed control"), std::string::npos);
    EXPECT_NE(tester.stepOf("long", 1).tValues, nullptr);
}
