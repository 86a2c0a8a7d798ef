// A model's attributes and scripts in XML: the saved file's layout, reading what is there, and round trips.
#include <gtest/gtest.h>
#include <tinyxml.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <utility>

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
    // Names that tag the file themselves, then names that leave it to the class (which is which is XmlTextTest's).
    const std::string names[] = {"tester", "caf\xc3\xa9\xcc\x81", "1abc", "a<b&c", "path/to/model", "a\xff"};
    for (size_t i = 0; i < std::size(names); ++i) {
        SCOPED_TRACE(names[i]);
        const std::string path = dir.path("model.xml");
        TestModel saved(names[i].c_str()), loaded(names[i].c_str());
        saved.setAttribute("x", i + 0.5);
        addScript(saved, "walk", {2.0}, {3}, INT_SIN);
        ASSERT_TRUE(saved.saveAttributes(path.c_str()));
        const std::string opening = "<?xml version=\"1.0\" ?>\n<" + (i < 2 ? names[i] : "TestModel") + ">\n";
        EXPECT_EQ(opening, readFile(path).substr(0, opening.size()));
        EXPECT_TRUE(loaded.loadAttributes(path.c_str()));
        EXPECT_EQ(i + 0.5, loaded.getAttribute("x"));
        ASSERT_NE(nullptr, loaded.findScript("walk"));
        EXPECT_EQ(3, loaded.stepOf("walk", 0).timing);
    }
}

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
    const struct {
        const char *attribute, *name, *cls, *file;
        std::string why;
        rlim_t sizeLimit = RLIM_INFINITY;
    } cases[] = {
        {"h\xf6he", "odd", "TestModel", "odd.xml", ": a name is not UTF-8 text without control characters"},
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

namespace {

// Every script as "name behaviour: timing/interpolation{attribute=value ...} ...", one a line.
std::string describe(TestModel& m) {
    std::string out;
    for (auto& [name, s] : m.scripts) {
        out += std::string(name) + " " + std::to_string(s.behavior) + ":";
        for (const script_step& st : *s.steps) {
            out += " " + std::to_string(st.timing) + "/" + std::to_string(st.interpol) + "{";
            for (auto [attr, value] : st.pose ? *st.pose : position()) {
                char text[64];
                std::snprintf(text, sizeof text, "%s=%g ", attr, value);
                out += text;
            }
            out += "}";
        }
        out += "\n";
    }
    return out;
}

std::string printed(TiXmlElement* element) {
    TiXmlPrinter printer;
    element->Accept(&printer);
    return printer.CStr();
}

// Reads the text as the model's element; returns the failures counted, the messages in *err.
int readInto(TestModel& m, const std::string& text, std::string* err) {
    TiXmlDocument doc;
    doc.Parse(text.c_str());
    EXPECT_FALSE(doc.Error()) << text;
    CaptureStderr();
    const int failures = doc.RootElement() ? m.fromXML(doc.RootElement()) : -1;
    *err = GetCapturedStderr();
    return failures;
}

}  // namespace

// Names the file cannot carry are refused when made; UTF-8 with markup characters comes back through the text.
TEST(ScriptXmlTest, what_a_save_writes_reads_back_the_same_through_the_printed_text) {
    TestModel m;
    for (const char* bad : {"a\xff", "tab\there"})
        EXPECT_EQ(-1, m.newScript(bad)) << bad;
    const char* names[] = {"a<b&c", "q\"x'", "path/to", "with space", "\xc3\xbc", "\xf0\x9f\x8e\xa8"};
    int k = 0;
    for (const char* name : names) {
        addScript(m, name, {0.5 * k, -1.25, 3}, {k + 1, 2, 3}, k % 5, k % 3);
        ++k;
    }
    m.append({{"y", 2.0}, {"red", 0.75}}, 4, INT_SIN);
    m.newScript("empty");
    const std::unique_ptr<TiXmlElement> element(m.toXML());
    TestModel loaded;
    std::string err;
    EXPECT_EQ(0, readInto(loaded, printed(element.get()), &err));
    EXPECT_EQ("", err);
    EXPECT_EQ(describe(m), describe(loaded));
    EXPECT_EQ(7, loaded.getScriptCount());
}

TEST(ScriptXmlTest, each_unreadable_piece_is_reported_and_counted_and_the_rest_kept) {
    const struct {
        std::string scripts;
        int failures;
        std::string err, kept;
    } cases[] = {
        {"<script behavior=\"1\"/>", 1, "script without a name in model tester\n", ""},
        {"<script name=\"s\"/>", 1, "error reading behavior for script 's'\n", "s 0:\n"},
        {"<script name=\"s\" behavior=\"9\"><pose timing=\"0\" interpolation_type=\"7\"/></script>", 0, "",
         "s 9: 1/7{}\n"},  // kept as read outside the enumerations; no step is shorter than a tick
        {"<script name=\"s\" behavior=\"0\"><pose interpolation_type=\"1\"/><frame timing=\" 4 ticks\"/></script>", 2,
         "error reading timing for a pose in script 's'\nerror reading interpolation type for a pose in script 's'\n",
         "s 0: 1/1{} 4/0{}\n"},
        {"<script name=\"s\" behavior=\"0\"><pose timing=\"2\" interpolation_type=\"0\"><attribute value=\"5\"/>"
         "<attribute name=\"x\" value=\"high\"/><attribute name=\"\xff\" value=\"1\"/><attribute name=\"y&#x1;\" "
         "value=\"2\"/><attribute name=\"x\" value=\"2\"/><value name=\"x\" value=\"3\"/><w name=\"w\" value=\"6\"/>"
         "</pose></script>",
         4,
         "attribute without a name in script 's'\n"
         "error reading value for attribute 'x' in script 's'"  // no line end, as it always was
         "attribute name in script 's' is not UTF-8 text without control characters\n"
         "attribute name in script 's' is not UTF-8 text without control characters\n",
         "s 0: 2/0{w=6 x=3 }\n"},
        {"<script name=\"bad\xff\" behavior=\"1\"/><script name=\"t\" behavior=\"1\"><pose timing=\"3\" "
         "interpolation_type=\"0\"/></script><script name=\"t\" behavior=\"0\"><pose timing=\"2\"/></script>",
         2, "error creating new script named 'bad\xff' \nerror creating new script named 't' \n", "t 1: 3/0{}\n"},
    };
    for (const auto& c : cases) {
        TestModel m;
        std::string err;
        EXPECT_EQ(c.failures, readInto(m, "<tester>" + c.scripts + "</tester>", &err)) << c.scripts;
        EXPECT_EQ(c.err, err) << c.scripts;
        EXPECT_EQ(c.kept, describe(m)) << c.scripts;
    }
}

TEST(ScriptXmlTest, a_script_already_held_is_taken_again_only_as_written) {
    TestModel m;
    addScript(m, "walk", {1.25, -2.0}, {3, 4}, INT_SIN, SCR_REPEAT);
    const std::unique_ptr<TiXmlElement> element(m.toXML());
    const std::string saved = printed(element.get());
    const std::string held = describe(m);
    const struct {
        std::string from, to;
    } changes[] = {
        {"", ""},  // as written: no conflict, nothing read twice
        {"behavior=\"1\"", "behavior=\"0\""},
        {"timing=\"3\"", "timing=\"5\""},
        {"interpolation_type=\"1\"", "interpolation_type=\"2\""},
        {"value=\"1.250000\"", "value=\"1.25\""},
        {"name=\"x\" value=\"1.250000\"", "name=\"y\" value=\"1.250000\""},
        {"<attribute name=\"x\" value=\"1.250000\" />", ""},
        {"</script>", "<pose timing=\"1\" interpolation_type=\"0\" /></script>"},
    };
    for (const auto& c : changes) {
        std::string text = saved;
        const size_t at = text.find(c.from);
        ASSERT_NE(std::string::npos, at) << c.from;
        text.replace(at, c.from.size(), c.to);
        std::string err;
        EXPECT_EQ(c.from.empty() ? 0 : 1, readInto(m, text, &err)) << c.to;
        EXPECT_EQ(c.from.empty() ? "" : "error creating new script named 'walk' \n", err) << c.to;
        EXPECT_EQ(held, describe(m)) << c.to;
    }
}

TEST(AttributedModelTest, an_attribute_with_its_own_limit_and_a_bounding_one_keeps_below_the_lower) {
    TestModel m;
    m.upper_limits["x"] = 4.0;
    m.upper_bound_by["x"] = "size";
    for (const auto& [size, most] : {std::pair{2.0, 2.0}, std::pair{9.0, 4.0}}) {
        m.setAttribute("size", size);
        m.adjustAttribute("x", 8.0);  // set would refuse it; a drag stops at the limit
        EXPECT_EQ(most, m.getAttribute("x")) << "size " << size;
    }
}
