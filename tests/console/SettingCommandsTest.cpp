// set, get, toggle and paint as typed, against the test models, the brush and the viewer settings.
#include "tests/console/SceneFixture.h"

using SettingCommands = SceneFixture;

TEST_F(SettingCommands, set_echoes_refused_values_as_typed_and_get_lists_in_name_order) {
    EXPECT_EQ(out("set x"), "usage: set <param> <value>\n");
    EXPECT_EQ(out("set wings 1"), "no such attribute: wings\n");
    EXPECT_EQ(out("set red 1.50"), "param out of bounds: 1.50 (allowed: 0 to 1)\n");
    EXPECT_EQ(out("set size 0.25"), "param out of bounds: 0.25 (allowed: 0.5 or more)\n");
    EXPECT_DOUBLE_EQ(tester.getAttribute("red"), 0.5);
    EXPECT_DOUBLE_EQ(tester.getAttribute("size"), 1.0);
    tester.setAttribute("y", 1.0 / 3.0);
    EXPECT_EQ(out("get y"), "  y: 0.333333\n");
    EXPECT_EQ(out("get wings"), "no such attribute: 'wings'\n");
    EXPECT_EQ(out("get all"), "  red: 0.500000\n  size: 1.000000\n  x: 0.000000\n  y: 0.333333\n  z: 0.000000\n");
}

TEST_F(SettingCommands, colours_above_one_are_bytes) {
    EXPECT_EQ(out("set background_color 255 128 0"), "");
    EXPECT_DOUBLE_EQ(background_color[0], 1.0);
    EXPECT_DOUBLE_EQ(background_color[1], 128.0 / 255.0);
    EXPECT_EQ(out("set background_color 1 0.5 0"), "");
    EXPECT_DOUBLE_EQ(background_color[0], 1.0);  // one itself is a fraction
    EXPECT_DOUBLE_EQ(background_color[1], 0.5);
    EXPECT_EQ(out("set background_color 0.2 0.3"), "usage: set background_color <red> <green> <blue>\n");
}

TEST_F(SettingCommands, toggle_has_two_usages_and_reports_the_new_state_of_handles_a_model_has) {
    EXPECT_EQ(out("toggle"), "usage: toggle handles|gamemode|fps|pos|painting|surface\n");
    EXPECT_EQ(out("toggle lights"), "usage: toggle handles|gamemode|fps|pos\n");
    EXPECT_EQ(out("toggle handles") + out("toggle painting"), "model 'tester' has no handles\npaint mode enabled\n");
    EXPECT_TRUE(!tester.showHandles && painting);
    current_model = brush;
    EXPECT_EQ(out("toggle handles"), "handles enabled\n");
    EXPECT_EQ(out("toggle handles"), "handles disabled\n");
    EXPECT_EQ(out("toggle painting"), "paint mode disabled\n");
    EXPECT_EQ(out("toggle surface"), "surface disabled\n");
    EXPECT_EQ(out("toggle surface"), "surface enabled\n");
}

// The recording models take no paint, so every paint that runs says the brush missed.
TEST_F(SettingCommands, paint_takes_a_named_model_only_when_the_current_one_is_not_paintable) {
    RecordingPaintable canvas("canvas"), board("board");
    models.insert({{"canvas", &canvas}, {"board", &board}});
    EXPECT_EQ(out("paint tester"), "not a paintable model: tester\n");
    EXPECT_EQ(out("paint ghost"), "invalid model name: ghost\n");
    EXPECT_EQ(out("paint"), "usage: paint [<moelname>]\n");
    EXPECT_EQ(out("paint canvas"), "the brush does not reach 'canvas'\n");
    current_model = &board;
    EXPECT_EQ(out("paint ghost"), "invalid model name: ghost\n");
    EXPECT_EQ(out("paint") + out("paint canvas"), "the brush does not reach 'board'\n" + out("paint"));
    EXPECT_EQ(board.calls, 3);
    EXPECT_EQ(canvas.calls, 1);
    EXPECT_EQ(out("pick"), "the brush does not reach 'board'\n");  // nor picks from it
    current_model = nullptr;
    EXPECT_EQ(out("paint") + out("pick"), "usage: paint [<moelname>]\npick: the current model cannot be painted\n");
}
