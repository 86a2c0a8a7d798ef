// set, get and toggle run through executeLine against a small test model
// and the brush.
#include "tests/console/SceneFixture.h"

namespace {

class SettingCommands : public SceneFixture {};

}  // namespace

TEST_F(SettingCommands, set_changes_attributes_under_the_lock_and_reports_refusals) {
    EXPECT_EQ(out("set"), "usage: set <param> <value>\n");
    EXPECT_EQ(out("set x"), "usage: set <param> <value>\n");

    EXPECT_EQ(out("set x -2.5"), "");
    EXPECT_DOUBLE_EQ(tester.getAttribute("x"), -2.5);
    EXPECT_TRUE(tester.locked_on_set);

    EXPECT_EQ(out("set wings 1"), "no such attribute: wings\n");
    EXPECT_FALSE(tester.hasAttribute("wings"));
    // The refused value is reported as typed; the attribute keeps its value.
    EXPECT_EQ(out("set red 1.50"), "param out of bounds: 1.50\n");
    EXPECT_DOUBLE_EQ(tester.getAttribute("red"), 0.5);
    // A word that is no number reads as 0, below the size's lower limit.
    EXPECT_EQ(out("set size big"), "param out of bounds: big\n");
    EXPECT_DOUBLE_EQ(tester.getAttribute("size"), 1.0);
}

TEST_F(SettingCommands, control_step_is_a_viewer_setting) {
    EXPECT_EQ(out("set control_step 0.25"), "");
    EXPECT_DOUBLE_EQ(control_step, 0.25);
    EXPECT_EQ(out("set control_step fast"), "");
    EXPECT_DOUBLE_EQ(control_step, 0.0);
    EXPECT_FALSE(tester.locked_on_set);  // no attribute was touched
}

TEST_F(SettingCommands, colours_accept_fractions_or_bytes) {
    EXPECT_EQ(out("set background_color 255 128 0"), "");
    EXPECT_DOUBLE_EQ(background_color[0], 1.0);
    EXPECT_DOUBLE_EQ(background_color[1], 128.0 / 255.0);
    EXPECT_DOUBLE_EQ(background_color[2], 0.0);
    EXPECT_EQ(out("set background_color 1 0.5 0"), "");
    EXPECT_DOUBLE_EQ(background_color[0], 1.0);
    EXPECT_DOUBLE_EQ(background_color[1], 0.5);
    EXPECT_EQ(out("set background_color 0.2 0.3"), "usage: set background_color <red> <green> <blue>\n");
    EXPECT_DOUBLE_EQ(background_color[0], 1.0);

    EXPECT_EQ(out("set handle_color 0 51 0.75"), "");
    EXPECT_FLOAT_EQ(handle_color[0], 0.0f);
    EXPECT_FLOAT_EQ(handle_color[1], 0.2f);
    EXPECT_FLOAT_EQ(handle_color[2], 0.75f);
    EXPECT_EQ(out("set handle_color 1"), "usage: set handle_color <red> <green> <blue>\n");
    EXPECT_FLOAT_EQ(handle_color[1], 0.2f);
}

TEST_F(SettingCommands, get_prints_one_or_all_attributes) {
    EXPECT_EQ(out("get"), "usage: get <param>\n");
    tester.setAttribute("y", 1.0 / 3.0);
    EXPECT_EQ(out("get y"), "  y: 0.333333\n");
    EXPECT_EQ(out("get wings"), "no such attribute: 'wings'\n");
    EXPECT_EQ(out("get all"), "  red: 0.500000\n  size: 1.000000\n  x: 0.000000\n  y: 0.333333\n  z: 0.000000\n");

    current_model = &test_brush;
    EXPECT_EQ(out("get all"),
              "  blue: 1.000000\n  dim1: 1.000000\n  dim2: 1.000000\n  green: 1.000000\n  opacity: 0.500000\n"
              "  red: 1.000000\n  solid_dim1: 0.600000\n  x: 0.000000\n  y: 0.000000\n  z: 0.000000\n");
}

TEST_F(SettingCommands, toggle_flips_each_flag_and_reports_it) {
    EXPECT_EQ(out("toggle"), "usage: toggle handles|gamemode|fps|pos|painting\n");
    EXPECT_EQ(out("toggle lights"), "usage: toggle handles|gamemode|fps|pos\n");

    EXPECT_EQ(out("toggle handles"), "handles enabled\n");
    EXPECT_TRUE(tester.showHandles);
    EXPECT_EQ(out("toggle handles"), "handles disabled\n");
    EXPECT_FALSE(tester.showHandles);

    struct {
        const char* word;
        const char* shown;
        std::atomic<bool>* flag;
    } flags[] = {{"gamemode", "gamemode", &game_mode}, {"fps", "fps", &showFPS}, {"pos", "pos", &showPos},
                 {"painting", "paint mode", &painting}};
    for (const auto& f : flags) {
        const std::string line = std::string("toggle ") + f.word;
        EXPECT_EQ(out(line), std::string(f.shown) + " enabled\n");
        EXPECT_TRUE(f.flag->load()) << f.word;
        EXPECT_EQ(out(line), std::string(f.shown) + " disabled\n");
        EXPECT_FALSE(f.flag->load()) << f.word;
    }
}

TEST_F(SettingCommands, attribute_commands_need_a_current_model) {
    current_model = nullptr;
    for (const char* line : {"set x 1", "get x", "get all", "toggle handles"}) {
        Output o = runLine(line);
        EXPECT_EQ(o.out, "no model selected\n") << line;
        EXPECT_EQ(o.err, "") << line;
    }
    // The viewer settings do not.
    EXPECT_EQ(out("set control_step 2"), "");
    EXPECT_DOUBLE_EQ(control_step, 2.0);
    EXPECT_EQ(out("toggle fps"), "fps enabled\n");
}
