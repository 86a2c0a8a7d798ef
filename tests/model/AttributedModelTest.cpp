#include <gtest/gtest.h>
#include <unistd.h>

#include "tests/model/TestModel.h"

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

TEST(AttributedModelTest, saved_file_has_the_exact_layout) {
    ScratchDir dir;
    TestModel a;
    for (auto [name, value] : position{{"x", 0.25}, {"y", -12.0}, {"size", 1234.5}})  // size has no upper limit
        a.setAttribute(name, value);
    addScript(a, "wave", {}, {}, INT_LINEAR, SCR_REPEAT);
    a.append({{"x", 2.0}}, 30, INT_SIN);
    a.append({{"y", -1.0}, {"x", 0.3333333}}, 5, INT_CATMULL_ROM);
    a.append({}, 1, INT_LINEAR);
    a.newScript("empty");
    std::string path = dir.path("tester.xml");
    ASSERT_TRUE(a.saveAttributes(path.c_str()));
    EXPECT_EQ(
        "<?xml version=\"1.0\" ?>\n"
        "<tester>\n"
        "    <attribute name=\"red\" value=\"0.500000\" />\n"
        "    <attribute name=\"size\" value=\"1234.500000\" />\n"
        "    <attribute name=\"x\" value=\"0.250000\" />\n"
        "    <attribute name=\"y\" value=\"-12.000000\" />\n"
        "    <attribute name=\"z\" value=\"0.000000\" />\n"
        "    <script name=\"empty\" behavior=\"0\" />\n"
        "    <script name=\"wave\" behavior=\"1\">\n"
        "        <pose timing=\"30\" interpolation_type=\"1\">\n"
        "            <attribute name=\"x\" value=\"2.000000\" />\n"
        "        </pose>\n"
        "        <pose timing=\"5\" interpolation_type=\"4\">\n"
        "            <attribute name=\"x\" value=\"0.333333\" />\n"
        "            <attribute name=\"y\" value=\"-1.000000\" />\n"
        "        </pose>\n"
        "        <pose timing=\"1\" interpolation_type=\"0\" />\n"
        "    </script>\n"
        "</tester>\n",
        readFile(path));
}

// One scene file: each model reads its own element, else the class-named one, reporting what it cannot use.
TEST(AttributedModelTest, a_hand_written_file_is_read_as_far_as_it_goes) {
    ScratchDir dir;
    std::string path = dir.path("scene.xml");
    writeFile(
        path,
        std::string("<?xml version=\"1.0\"?>\n<scene>\n"
                    "<TestModel><attribute name=\"y\" value=\"9\"/><script name=\"s\" behavior=\"1\"/></TestModel>\n"
                    "<alpha><attribute name=\"blue\" value=\"1\"/><attribute name=\"red\" value=\"1.5\"/>"
                    "<attribute value=\"1.5\" name=\"x\"/><attribute name=\"y\" value=\"tall\"/><attribute name=\"z\"/>"
                    "<attribute value=\"8\"/><attribute name=\"size\" value=\" 6cm\"/><extra/><script name=\"s\" "
                    "behavior=\"0\"/></alpha>\n"
                    "<group><gamma><attribute name=\"x\" value=\"4\"/></gamma></group>\n"
                    "</scene>\n"));
    TestModel a("alpha"), c("gamma");
    auto load = [&](TestModel& m, bool ok) {  // what the load printed on stderr
        CaptureStderr();
        EXPECT_EQ(ok, m.loadAttributes(path.c_str()));
        return GetCapturedStderr();
    };
    EXPECT_EQ(
        "error setting attribute blue to 1.000000 for model alpha\n"
        "error setting attribute red to 1.500000 for model alpha\n"
        "error setting attribute y to 0.000000 for model alpha\n"
        "error setting attribute z to 0.000000 for model alpha\n"
        "attribute without a name in model alpha\n",
        load(a, false));
    EXPECT_EQ(1.5, a.getAttribute("x"));  // its own element wins over the class-named one
    EXPECT_EQ(6.0, a.getAttribute("size"));
    EXPECT_EQ(0, a.getScriptCount());  // scripts are read only when every attribute was
    // gamma's own element lies too deep: only the root and its children are searched.
    EXPECT_EQ("", load(c, true));
    EXPECT_EQ(0.0, c.getAttribute("x"));
    EXPECT_EQ(9.0, c.getAttribute("y"));
    ASSERT_NE(nullptr, c.findScript("s"));
    EXPECT_EQ(SCR_REPEAT, c.findScript("s")->behavior);
}

// A model name no XML reader takes tags the model's element with its class name, which loading accepts.
TEST(AttributedModelTest, every_model_name_saves_to_a_file_that_loads_back) {
    ScratchDir dir;
    // Names that tag the file themselves, then names that leave it to the class.
    const std::string names[] = {"tester", "\303\274ber", "_x.y-z:w", "caf\xc3\xa9\xcc\x81",
                                 "1abc",   "a<b&c",       "q\"x",     "path/to/model",
                                 "-dash",  ":colon",      "a\xff",    "x\xc3\x97y"};
    for (size_t i = 0; i < std::size(names); ++i) {
        SCOPED_TRACE(names[i]);
        const std::string path = dir.path("model.xml");
        TestModel saved(names[i].c_str()), loaded(names[i].c_str());
        saved.setAttribute("x", i + 0.5);
        addScript(saved, "walk", {2.0}, {3}, INT_SIN);
        ASSERT_TRUE(saved.saveAttributes(path.c_str()));
        const std::string opening = "<?xml version=\"1.0\" ?>\n<" + (i < 4 ? names[i] : "TestModel") + ">\n";
        EXPECT_EQ(opening, readFile(path).substr(0, opening.size()));
        EXPECT_TRUE(loaded.loadAttributes(path.c_str()));
        EXPECT_EQ(i + 0.5, loaded.getAttribute("x"));
        ASSERT_NE(nullptr, loaded.findScript("walk"));
        EXPECT_EQ(3, loaded.stepOf("walk", 0).timing);
    }
}

// Attribute names come from the model's class; one the file could not carry refuses the save. A refused or failed
// save says why (a missing folder as it always did, without a reason) and keeps the old file, with no temporary left.
TEST(AttributedModelTest, a_refused_or_failed_save_says_why_and_keeps_the_old_file) {
    ScratchDir dir;
    struct OddModel : TestModel {
        OddModel(const char* attribute, const char* name, const char* cls) {
            attributes[attribute] = 1.0;
            model_name = name;
            class_name = cls;
        }
    };
    writeFile(dir.path("plain"), std::string("a file"));
    std::filesystem::create_directory(dir.path("folder"));
    ASSERT_EQ(0, symlink("loop", dir.path("loop").c_str()));
    const std::string anyName = ": a name is not UTF-8 text without control characters";
    const struct {
        const char *attribute, *name, *cls, *file;
        std::string why;
        rlim_t sizeLimit = RLIM_INFINITY;
    } cases[] = {
        {"h\xf6he", "odd", "TestModel", "odd.xml", anyName},
        {"tab\tbed", "odd", "TestModel", "odd.xml", anyName},
        {"high\xc3", "odd", "TestModel", "odd.xml", anyName},
        {"x", "1st", "2nd", "odd.xml", ": neither the model's name nor its class's is an XML name"},
        {"x", "tester", "TestModel", "odd.xml", ": File too large", 150},  // room for the message, not the model
        {"x", "tester", "TestModel", "loop", ": Too many levels of symbolic links"},
        {"x", "tester", "TestModel", "missing/m.xml", ": " + dir.path("missing") + ": No such file or directory"},
        {"x", "tester", "TestModel", "plain/m.xml", ": Not a directory"},
        {"x", "tester", "TestModel", "folder", ": Is a directory"},
    };
    for (const auto& c : cases) {
        OddModel model(c.attribute, c.name, c.cls);
        const std::string path = dir.path(c.file);
        const bool kept = path == dir.path("odd.xml");
        if (kept)
            writeFile(path, std::string("old contents"));
        CaptureStderr();
        EXPECT_FALSE(underFileSizeLimit(c.sizeLimit, [&] { return model.saveAttributes(path.c_str()); }));
        EXPECT_EQ("error saving xml file: " + path + c.why + "\n", GetCapturedStderr());
        if (kept) {
            EXPECT_EQ("old contents", readFile(path)) << c.why;
        }
    }
    EXPECT_EQ(4, dir.entries());
}
