// Model, file and list commands, and the refusal of model commands without a current model.
#include "plugins/RuntimePaths.h"
#include "tests/console/SceneFixture.h"
#include "tests/paint/PaintTestSupport.h"

using ModelCommands = SceneFixture;

TEST_F(ModelCommands, new_model_becomes_current_select_changes_it_and_delete_leaves_none) {
    EXPECT_EQ(out("new model Tester m1"), "model name 'm1' already in use\n");
    EXPECT_EQ(out("new model NoSuchClass m3"),  // named by the last place tried, models/ beside the program
              "model not found 'NoSuchClass': " + executableDir() +
                  "models/NoSuchClass.so: cannot open shared object file: No such file or directory\n"
                  "available classes: Tester (loaded)\n");
    EXPECT_EQ(out("loadclass ./NoSuchClass.so"),
              "error loading ./NoSuchClass.so: cannot open shared object file: No such file or directory\n"
              "available classes: Tester (loaded)\n");
    EXPECT_EQ(out("new model Tester m3") + out("new model Tester m4"), "");
    ASSERT_EQ(made_models.size(), 2u);
    EXPECT_EQ(current_model, made_models[1]);
    EXPECT_EQ(out("select model"),
              "usage: select model|script|control <modelname>|<scriptname>|<controlschemename>\n"
              "       select script <scriptname> [terminate|repeat|reverse|reverse_once]\n");
    EXPECT_EQ(out("select modle m1"), "error select 'modle', must be one of model, control, or script\n");
    EXPECT_EQ(out("select model ghost"), "model not found 'ghost'\n");
    EXPECT_EQ(out("select model m1"), "");
    EXPECT_EQ(current_model, &m1);
    EXPECT_EQ(out("delete brush"), "the brush cannot be deleted\n");
    EXPECT_EQ(out("delete ghost"), "invalid model name: ghost\n");
    EXPECT_EQ(current_model, &m1);
    EXPECT_EQ(out("delete m3"), "");  // not the current one, yet none is current after
    EXPECT_EQ(current_model, nullptr);
    EXPECT_EQ(out("list models"), "  brush\n  m1\n  m2\n  m4\n  tester\n");
}

TEST_F(ModelCommands, list_forms_and_every_command_on_the_current_model_refusing_without_one) {
    ASSERT_EQ(out("new pose a") + out("new script walk") + out("new script hop"), "");
    EXPECT_EQ(out("list"), "usage: list <what>\n");
    EXPECT_EQ(out("list nonsense"), "invalid argument 'nonsense'\n");
    EXPECT_EQ(out("list params"), "  red\n  size\n  x\n  y\n  z\n");
    EXPECT_EQ(out("list scripts"), "  hop\n  walk\n");
    current_model = nullptr;
    for (const char* line :
         {"new pose p", "new script s", "new binding w x", "select script walk", "add a 1", "animate a 5",
          "animate walk", "speed_control walk x y z 0.2 0.2", "set x 1", "get x", "get all", "toggle handles",
          "load attributes a.xml", "save attributes a.xml", "load skin 0 a.bmp", "save skins", "save skin 0 a.bmp"})
        EXPECT_EQ(runLine(line).both(), "no model selected\n|") << line;
    EXPECT_EQ(out("list params") + out("list scripts"), "invalid argument 'params'\nno model selected\n");
    EXPECT_EQ(poses.count("p"), 0u);
    EXPECT_STREQ(current_controls->at('w'), "y");
}

TEST_F(ModelCommands, attributes_load_into_a_prefixed_model_and_failures_go_to_stderr) {
    ScratchDir dir;
    const std::string file = dir.path("saved.xml"), none = dir.path("none.xml");
    m1.setAttribute("x", 2.5);
    runQuietly({"select model m1", ("save attributes " + file).c_str(), "select model tester"});
    m1.setAttribute("x", 7.0);
    EXPECT_EQ(out("load attributes m1:" + file), "");
    EXPECT_DOUBLE_EQ(m1.getAttribute("x"), 2.5);
    EXPECT_EQ(current_model, &tester);
    EXPECT_EQ(out("load attributes ghost:a:b"), "model not found 'ghost'\n");
    // The model names the file it could not read, then the command does.
    const std::string reports = "Error loading file: " + none + "\nerror loading xml file: " + none + "\n";
    EXPECT_EQ(runLine("load attributes m1:" + none).err, reports);
    EXPECT_EQ(runLine("load attributes " + none).err, reports);
}

// Skins are numbered 1..n whatever their texture names (canvas holds 1 and 4); other numbers are refused unread.
TEST_F(ModelCommands, each_model_numbers_its_own_skins_and_refuses_numbers_it_lacks) {
    ScratchDir dir;
    const std::string first = dir.path("first.bmp"), fourth = dir.path("fourth.bmp"), out4 = dir.path("out4.bmp");
    writeFile(first, painttest::makeBmp(2, 2, 10));
    writeFile(fourth, painttest::makeBmp(2, 2, 40));
    RecordingPaintable canvas("canvas"), empty("empty");
    for (auto [num, file] : {std::pair<GLuint, std::string>{4, fourth}, {1, first}})
        canvas.textures[num] = Image::load(&file);
    models["canvas"] = &canvas;
    models["empty"] = &empty;
    current_model = &canvas;
    const std::string missing = dir.path("missing.bmp");
    const struct {
        std::string line, expected;
    } cases[] = {
        {"list skins", "  1: " + first + "\n  2: " + fourth + "\n"},
        {"load skin 3 " + fourth, "no skin 3 in model canvas\n"},
        {"load skin -1 " + fourth, "no skin -1 in model canvas\n"},
        {"save skin 4 " + out4, "no skin 4 in model canvas\n"},
        {"load skin 0 " + missing, "no skin 0 in model canvas\n"},  // refused before the file is looked for
        {"save skin 2 " + out4, ""},
        {"select model empty", ""},
        {"list skins", ""},
        {"save skin 1 " + out4 + "x", "no skin 1 in model empty\n"},
        {"load skin 2 " + first, "no skin 2 in model empty\n"},
        {"load skin 1 " + first, ""},  // a model's first skin
        {"select model m1", ""},
        {"list skins", "Operation not applicable for current model\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(out(c.line), c.expected) << c.line;
    std::string written = out4;
    std::unique_ptr<Image> copy(Image::load(&written));
    ASSERT_TRUE(copy);
    unsigned char px[3];
    ASSERT_EQ(1, copy->get(0, 0, px));
    EXPECT_EQ(40, px[0]);
    EXPECT_FALSE(std::filesystem::exists(out4 + "x"));
    EXPECT_EQ(empty.loaded, std::vector<int>{1});
    current_model = nullptr;
    EXPECT_EQ(out("list skins"), "no model selected\n");
}
