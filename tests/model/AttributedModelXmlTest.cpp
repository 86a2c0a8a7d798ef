// Attribute files: the exact text written, and files written by hand.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <dirent.h>
#include <string>

#include "tests/model/TestModel.h"

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

// Loads `text` as an attribute file into `m`; returns loadAttributes' result
// and leaves what the model printed on standard error in `errors`.
bool loadText(TestModel& m, const TempDir& dir, const std::string& text, std::string& errors)
{
    std::string path = dir.file("in.xml");
    writeWholeFile(path, text);
    CaptureStderr();
    bool ok = m.loadAttributes(path.c_str());
    errors = GetCapturedStderr();
    return ok;
}

int countEntries(const std::string& dirPath)
{
    int n = 0;
    DIR* d = opendir(dirPath.c_str());
    if (!d)
        return -1;
    while (dirent* e = readdir(d))
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
            ++n;
    closedir(d);
    return n;
}

} // namespace

TEST(AttributedModelXmlTest, saved_file_has_the_exact_layout)
{
    TempDir dir;
    TestModel m;
    m.setAttribute("x", 0.25);
    m.setAttribute("y", -12.0);
    m.setAttribute("size", 1234.5);
    std::string path = dir.file("tester.xml");
    ASSERT_TRUE(m.saveAttributes(path.c_str()));
    EXPECT_EQ("<?xml version=\"1.0\" ?>\n"
              "<tester>\n"
              "    <attribute name=\"red\" value=\"0.500000\" />\n"
              "    <attribute name=\"size\" value=\"1234.500000\" />\n"
              "    <attribute name=\"x\" value=\"0.250000\" />\n"
              "    <attribute name=\"y\" value=\"-12.000000\" />\n"
              "    <attribute name=\"z\" value=\"0.000000\" />\n"
              "</tester>\n",
              readWholeFile(path));
}

TEST(AttributedModelXmlTest, model_without_children_is_one_self_closing_element)
{
    TempDir dir;
    BareModel m;
    std::string path = dir.file("bare.xml");
    ASSERT_TRUE(m.saveAttributes(path.c_str()));
    EXPECT_EQ("<?xml version=\"1.0\" ?>\n<bare />\n", readWholeFile(path));
}

TEST(AttributedModelXmlTest, save_and_load_round_to_six_decimals)
{
    TempDir dir;
    TestModel a;
    a.setAttribute("x", 0.1234567);
    a.setAttribute("z", -7.0000004);
    std::string path = dir.file("round.xml");
    ASSERT_TRUE(a.saveAttributes(path.c_str()));
    TestModel b;
    b.setAttribute("red", 0.9);
    EXPECT_TRUE(b.loadAttributes(path.c_str()));
    EXPECT_DOUBLE_EQ(0.123457, b.getAttribute("x"));
    EXPECT_DOUBLE_EQ(-7.0, b.getAttribute("z"));
    EXPECT_DOUBLE_EQ(0.5, b.getAttribute("red"));
}

TEST(AttributedModelXmlTest, save_replaces_an_existing_file_and_leaves_no_scratch_file)
{
    TempDir dir;
    std::string path = dir.file("over.xml");
    writeWholeFile(path, std::string(5000, 'x'));
    TestModel m;
    ASSERT_TRUE(m.saveAttributes(path.c_str()));
    EXPECT_EQ(0u, readWholeFile(path).find("<?xml version=\"1.0\" ?>\n<tester>"));
    EXPECT_EQ(1, countEntries(dir.path()));
}

TEST(AttributedModelXmlTest, failed_save_reports_and_keeps_the_old_file)
{
    TempDir dir;
    TestModel m;
    std::string missing = dir.file("no/such/dir.xml");
    CaptureStderr();
    EXPECT_FALSE(m.saveAttributes(missing.c_str()));
    EXPECT_EQ("error saving xml file: " + missing + "\n", GetCapturedStderr());

    // A file-size limit makes the write itself fail half-way.
    std::string path = dir.file("keep.xml");
    writeWholeFile(path, "old contents");
    struct rlimit old;
    ASSERT_EQ(0, getrlimit(RLIMIT_FSIZE, &old));
    struct rlimit tiny = old;
    tiny.rlim_cur = 150; // room for the message, not for the model
    void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &tiny));
    CaptureStderr();
    bool saved = m.saveAttributes(path.c_str());
    std::string errors = GetCapturedStderr();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(saved);
    EXPECT_EQ("error saving xml file: " + path + "\n", errors);
    EXPECT_EQ("old contents", readWholeFile(path));
    EXPECT_EQ(1, countEntries(dir.path()));
}

TEST(AttributedModelXmlTest, element_named_after_the_class_applies_to_any_model_of_it)
{
    TempDir dir;
    std::string errors;
    const char* text = "<TestModel><attribute name=\"x\" value=\"3\"/></TestModel>";
    TestModel a("alpha"), b("beta");
    EXPECT_TRUE(loadText(a, dir, text, errors));
    EXPECT_TRUE(loadText(b, dir, text, errors));
    EXPECT_EQ(3.0, a.getAttribute("x"));
    EXPECT_EQ(3.0, b.getAttribute("x"));
    EXPECT_EQ("", errors);
}

TEST(AttributedModelXmlTest, several_models_side_by_side_each_take_their_own)
{
    TempDir dir;
    std::string errors;
    const char* text =
        "<?xml version=\"1.0\"?>\n<scene>\n"
        "  <TestModel><attribute name=\"y\" value=\"9\"/></TestModel>\n"
        "  <alpha><attribute value=\"1.5\" name=\"x\"/><extra/></alpha>\n"
        "  <beta><attribute name=\"x\" value=\"2.5\"/></beta>\n"
        "</scene>\n";
    TestModel a("alpha"), b("beta"), c("gamma");
    EXPECT_TRUE(loadText(a, dir, text, errors));
    EXPECT_TRUE(loadText(b, dir, text, errors));
    EXPECT_TRUE(loadText(c, dir, text, errors));
    // The model's own element wins over an earlier class-named one.
    EXPECT_EQ(1.5, a.getAttribute("x"));
    EXPECT_EQ(0.0, a.getAttribute("y"));
    EXPECT_EQ(2.5, b.getAttribute("x"));
    EXPECT_EQ(9.0, c.getAttribute("y"));
}

TEST(AttributedModelXmlTest, only_the_root_and_its_children_are_searched)
{
    TempDir dir;
    std::string errors;
    TestModel a("alpha");
    EXPECT_FALSE(loadText(a, dir, "<scene><group><alpha><attribute name=\"x\" value=\"4\"/></alpha></group></scene>", errors));
    EXPECT_EQ(0.0, a.getAttribute("x"));
    EXPECT_EQ("", errors);
    EXPECT_EQ(1, a.fromXML(nullptr));
}

TEST(AttributedModelXmlTest, unusable_elements_are_reported_and_the_rest_applied)
{
    TempDir dir;
    std::string errors;
    TestModel a("alpha");
    const char* text =
        "<alpha>"
        "<attribute name=\"blue\" value=\"1\"/>"
        "<attribute name=\"red\" value=\"1.5\"/>"
        "<attribute name=\"x\" value=\"  2.5cm\"/>"
        "<attribute name=\"y\" value=\"tall\"/>"
        "<attribute name=\"z\"/>"
        "<attribute value=\"8\"/>"
        "<attribute name=\"size\" value=\"6\"/>"
        "</alpha>";
    EXPECT_FALSE(loadText(a, dir, text, errors));
    EXPECT_EQ("error setting attribute blue to 1.000000 for model alpha\n"
              "error setting attribute red to 1.500000 for model alpha\n"
              "error setting attribute y to 0.000000 for model alpha\n"
              "error setting attribute z to 0.000000 for model alpha\n"
              "attribute without a name in model alpha\n",
              errors);
    EXPECT_EQ(2.5, a.getAttribute("x"));
    EXPECT_EQ(6.0, a.getAttribute("size"));
    EXPECT_EQ(0.5, a.getAttribute("red"));
    EXPECT_EQ(0.0, a.getAttribute("y"));
    EXPECT_FALSE(a.hasAttribute("blue"));

    TiXmlDocument doc;
    doc.Parse(text);
    EXPECT_EQ(5, a.AttributedModel::fromXML(doc.RootElement()));
}

TEST(AttributedModelXmlTest, unreadable_files_are_reported)
{
    TempDir dir;
    std::string errors;
    TestModel a("alpha");
    EXPECT_FALSE(loadText(a, dir, "<alpha><attribute name=\"x\" value=\"1\"/>", errors));
    EXPECT_EQ("Error loading file: " + dir.file("in.xml") + "\n", errors);
    EXPECT_EQ(0.0, a.getAttribute("x"));

    std::string missing = dir.file("missing.xml");
    CaptureStderr();
    EXPECT_FALSE(a.loadAttributes(missing.c_str()));
    EXPECT_EQ("Error loading file: " + missing + "\n", GetCapturedStderr());

    EXPECT_FALSE(loadText(a, dir, "<!-- nothing but a comment -->\n", errors));
    EXPECT_EQ("no root element found", errors);
}

TEST(AttributedModelXmlTest, texts_are_escaped_and_read_back)
{
    TestModel m;
    position p = makePose({{"a&b<\"c\">", 1.0}});
    TiXmlElement parent("p");
    m.mapToXML(p, "entry", "key", "num", &parent);
    TiXmlPrinter printer;
    parent.Accept(&printer);
    EXPECT_EQ("<p>\n    <entry key='a&amp;b&lt;&quot;c&quot;&gt;' num=\"1.000000\" />\n</p>\n",
              std::string(printer.CStr()));
    TiXmlDocument doc;
    doc.Parse(printer.CStr());
    EXPECT_STREQ("a&b<\"c\">", doc.RootElement()->FirstChildElement("entry")->Attribute("key"));
}
