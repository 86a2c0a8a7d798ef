// Model, class and file commands run through executeLine, as typed.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "console/Commands.h"
#include "console/Console.h"
#include "tests/model/TestModel.h"
#include "viewer/SceneState.h"

namespace {

struct Output {
    std::string out;
    std::string err;
};

Output run(const std::string& text) {
    std::string copy = text;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    executeLine(&copy[0]);
    std::fflush(stdout);
    std::fflush(stderr);
    Output o;
    o.err = testing::internal::GetCapturedStderr();
    o.out = testing::internal::GetCapturedStdout();
    return o;
}

int created = 0;
AnimatedModel* makeTestModel(const char* name) {
    ++created;
    return new TestModel(name);
}
AnimatedModel* makeNothing(const char*) { return nullptr; }

// Each test starts with the brush alone, current, and a class "Tester".
class ModelCommands : public testing::Test {
protected:
    void SetUp() override {
        if (commandMap.empty()) registerCommands();
        if (!brush) brush = new BrushModel("brush");
        saved_models_ = models;
        saved_classes_ = model_classes;
        models.clear();
        models["brush"] = brush;
        current_model = brush;
        model_classes[const_cast<char*>("Tester")] = makeTestModel;
        model_classes[const_cast<char*>("Hollow")] = makeNothing;
        created = 0;
    }
    void TearDown() override {
        // Models the test created are deleted through the command itself.
        for (auto& entry : models) {
            if (entry.second != brush) {
                std::string line = std::string("delete ") + entry.first;
                run(line);
                return TearDown();
            }
        }
        models = saved_models_;
        model_classes = saved_classes_;
        current_model = brush;
    }
    std::map<const char*, AnimatedModel*, cmp_str> saved_models_;
    std::map<char*, model_factory, cmp_str> saved_classes_;
};

const char kNewUsage[] = "usage: new pose|script <name>\n       new binding <key> [<paramname>]\n       new model <model> <name>\n";

}  // namespace

TEST_F(ModelCommands, new_checks_its_words) {
    EXPECT_EQ(run("new").out, kNewUsage);
    EXPECT_EQ(run("new model").out, kNewUsage);
    EXPECT_EQ(run("new thing x").out, "syntax error in 'thing'\n");
    EXPECT_EQ(run("new model Tester").out, "usage: new model <model> <name>\n");
    EXPECT_EQ(run("new model Tester brush").out, "model name 'brush' already in use\n");
    EXPECT_EQ(created, 0);
}

TEST_F(ModelCommands, new_model_enters_the_list_and_becomes_current) {
    EXPECT_EQ(run("new model Tester m1").out, "");
    ASSERT_EQ(models.count("m1"), 1u);
    EXPECT_EQ(current_model, models["m1"]);
    EXPECT_EQ(run("new model Tester m1").out, "model name 'm1' already in use\n");
    EXPECT_EQ(created, 1);
    EXPECT_EQ(run("list models").out, "  brush\n  m1\n");
}

TEST_F(ModelCommands, unknown_classes_create_nothing) {
    EXPECT_EQ(run("new model NoSuchClass m1").out, "model not found 'NoSuchClass'\n");
    EXPECT_EQ(run("new model Hollow m1").out, "model not found 'Hollow'\n");
    const std::string longWord(116, 'K');
    EXPECT_EQ(run("new model " + longWord + " m1").out, "model not found '" + longWord + "'\n");
    EXPECT_EQ(models.size(), 1u);
    EXPECT_EQ(current_model, brush);
}

TEST_F(ModelCommands, delete_leaves_no_current_model_and_spares_the_brush) {
    EXPECT_EQ(run("delete").out, "usage: delete <moelname>\n");
    EXPECT_EQ(run("delete ghost").out, "invalid model name: ghost\n");
    EXPECT_EQ(run("delete brush").out, "the brush cannot be deleted\n");
    EXPECT_EQ(current_model, brush);
    run("new model Tester m1");
    run("new model Tester m2");
    EXPECT_EQ(run("delete m1").out, "");  // m2 was current
    EXPECT_EQ(current_model, nullptr);
    EXPECT_EQ(models.count("m1"), 0u);
    EXPECT_EQ(run("list params").out, "invalid argument 'params'\n");
    EXPECT_EQ(run("list scripts").out, "invalid argument 'scripts'\n");
    EXPECT_EQ(run("save attributes x.xml").out, "no model selected\n");
    EXPECT_EQ(run("load attributes x.xml").out, "no model selected\n");
    EXPECT_EQ(run("load skin 0 x.bmp").out, "no model selected\n");
    EXPECT_EQ(run("save skins").out, "no model selected\n");
    EXPECT_EQ(run("save skin 0 x.bmp").out, "no model selected\n");
}

TEST_F(ModelCommands, select_model_and_its_errors) {
    const char usage[] = "usage: select model|script|control <modelname>|<scriptname>|<controlschemename>\n";
    EXPECT_EQ(run("select").out, usage);
    EXPECT_EQ(run("select model").out, usage);
    EXPECT_EQ(run("select modle m1").out, "error select 'modle', must be one of model, control, or script\n");
    EXPECT_EQ(run("select model m1").out, "model not found 'm1'\n");
    run("new model Tester m1");
    run("select model brush");
    EXPECT_EQ(current_model, brush);
    run("select model m1");
    EXPECT_EQ(current_model, models["m1"]);
}

TEST_F(ModelCommands, load_and_save_attributes_with_and_without_prefix) {
    TempDir dir;
    const std::string file = dir.file("m1.xml");
    run("new model Tester m1");
    run("select model brush");
    models["m1"]->setAttribute("x", 2.5);
    EXPECT_EQ(run("save attributes").out,
              "usage: save attributes <filename> OR\n       save skins OR\n       save skin <num> <filename>\n");
    run("select model m1");
    EXPECT_EQ(run("save attributes " + file).out, "");
    models["m1"]->setAttribute("x", 9.0);
    run("select model brush");
    // A prefixed load goes to the named model and leaves the current one alone.
    EXPECT_EQ(run("load attributes m1:" + file).out, "");
    EXPECT_DOUBLE_EQ(models["m1"]->getAttribute("x"), 2.5);
    EXPECT_EQ(current_model, brush);

    EXPECT_EQ(run("load attributes ghost:a:b").out, "model not found 'ghost'\n");
    // The model names the file it could not read, then the command does.
    const std::string none = dir.file("none.xml");
    const std::string bothReports = "Error loading file: " + none + "\nerror loading xml file: " + none + "\n";
    EXPECT_EQ(run("load attributes m1:" + none).err, bothReports);
    EXPECT_EQ(run("load attributes " + none).err, bothReports);

    Output failed = run("save attributes " + dir.file("no/such/dir.xml"));
    EXPECT_EQ(failed.err, "error saving xml file: " + dir.file("no/such/dir.xml") + "\n");
}

TEST_F(ModelCommands, skins_need_a_paintable_model) {
    const char usage[] = "usage: load attributes [<modelname>:]<filename> OR\n       load skin <skinNum> <filename>\n";
    EXPECT_EQ(run("load").out, usage);
    EXPECT_EQ(run("load skin 0").out, usage);
    EXPECT_EQ(run("load texture 0 a.bmp").out, usage);
    EXPECT_EQ(run("load skin 0 a.bmp").out, "Operation not applicable for current model\n");
    EXPECT_EQ(run("save skins").out, "Operation not applicable for current model\n");
    EXPECT_EQ(run("save skin 1 a.bmp").out, "Operation not applicable for current model\n");
    const char saveUsage[] = "usage: save attributes <filename> OR\n       save skin[:<num>] [<filename>]\n";
    EXPECT_EQ(run("save").out, saveUsage);
    EXPECT_EQ(run("save everything").out, saveUsage);
}

TEST_F(ModelCommands, list_every_kind) {
    EXPECT_EQ(run("list").out, "usage: list <what>\n");
    EXPECT_EQ(run("list nonsense").out, "invalid argument 'nonsense'\n");
    EXPECT_EQ(run("list models").out, "  brush\n");
    run("new model Tester m1");
    EXPECT_EQ(run("list params").out, "  red\n  size\n  x\n  y\n  z\n");
    EXPECT_EQ(run("list scripts").out, "");
    models["m1"]->newScript("walk");
    models["m1"]->newScript("hop");
    EXPECT_EQ(run("list scripts").out, "  hop\n  walk\n");
    EXPECT_EQ(run("list classes").out.find("  Hollow\n  Tester\n") != std::string::npos, true);
    EXPECT_EQ(run("list commands").out.rfind("available commands:\nadd, ", 0), 0u);

    control_map scheme;
    scheme['w'] = "y";
    scheme['a'] = "rotation_x";
    control_map* saved = current_controls;
    current_controls = &scheme;
    EXPECT_EQ(run("list controls").out, "current control mappings:\n  a: rotation_x\n  w: y\n\n");
    current_controls = saved;
}
