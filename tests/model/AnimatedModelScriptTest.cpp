// Poses, scripts, and the scripts' part of the attribute file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/model/TestModel.h"

using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

TEST(AnimatedModelScriptTest, get_pose_is_an_independent_copy_of_every_attribute)
{
    TestModel m;
    m.setAttribute("x", 2.0);
    position* p = m.getPose();
    ASSERT_EQ(5u, p->size());
    EXPECT_EQ(2.0, p->at("x"));
    EXPECT_EQ(0.5, p->at("red"));
    m.setAttribute("x", 7.0);
    EXPECT_EQ(2.0, p->at("x"));
    delete p;
}

TEST(AnimatedModelScriptTest, new_script_refuses_a_taken_name_and_keeps_the_first)
{
    TestModel m;
    position p = makePose({{"x", 1.0}});
    EXPECT_EQ(0, m.newScript("a"));
    EXPECT_EQ(0, m.appendPose(&p, 5, INT_LINEAR));
    EXPECT_EQ(-1, m.newScript("a"));
    EXPECT_EQ(m.findScript("a"), m.current_script);
    EXPECT_EQ(1u, m.stepCount("a"));
    EXPECT_EQ(SCR_TERMINATE, m.findScript("a")->behavior);
}

TEST(AnimatedModelScriptTest, script_names_are_sorted_and_null_terminated)
{
    TestModel m;
    const char** none = m.getScriptNames();
    ASSERT_NE(nullptr, none);
    EXPECT_EQ(nullptr, none[0]);
    std::free(none);

    char name[] = "walk";
    m.newScript(name);
    name[0] = 't'; // the model keeps its own copy
    m.newScript("Zed");
    m.newScript("jump");
    ASSERT_EQ(3, m.getScriptCount());
    const char** names = m.getScriptNames();
    EXPECT_STREQ("Zed", names[0]);
    EXPECT_STREQ("jump", names[1]);
    EXPECT_STREQ("walk", names[2]);
    EXPECT_EQ(nullptr, names[3]);
    std::free(names);
}

TEST(AnimatedModelScriptTest, select_switches_the_current_script)
{
    TestModel m;
    m.newScript("a");
    m.newScript("b");
    EXPECT_EQ(m.findScript("b"), m.current_script);
    EXPECT_EQ(0, m.selectScript("a"));
    EXPECT_EQ(m.findScript("a"), m.current_script);
    EXPECT_EQ(-1, m.selectScript("c"));
    EXPECT_EQ(m.findScript("a"), m.current_script);
}

TEST(AnimatedModelScriptTest, append_copies_the_pose_and_fixes_the_timing)
{
    TestModel m;
    m.newScript("a");
    position p = makePose({{"x", 1.0}, {"y", 2.0}});
    EXPECT_EQ(0, m.appendPose(&p, 0, INT_SIN));
    EXPECT_EQ(0, m.appendPose(&p, -5, INT_LINEAR));
    EXPECT_EQ(0, m.appendPose(&p, 12, 7));
    p["x"] = 99.0;
    EXPECT_EQ(1, m.stepOf("a", 0).timing);
    EXPECT_EQ(INT_SIN, m.stepOf("a", 0).interpol);
    EXPECT_EQ(1, m.stepOf("a", 1).timing);
    EXPECT_EQ(12, m.stepOf("a", 2).timing);
    EXPECT_EQ(7, static_cast<int>(m.stepOf("a", 2).interpol));
    EXPECT_EQ(1.0, m.stepOf("a", 0).pose->at("x"));
    EXPECT_EQ(nullptr, m.stepOf("a", 0).tValues);
}

TEST(AnimatedModelScriptTest, append_without_a_current_script_is_refused)
{
    TestModel m;
    position p = makePose({{"x", 1.0}});
    CaptureStdout();
    EXPECT_EQ(-1, m.appendPose(&p, 3, INT_LINEAR));
    EXPECT_EQ("no current script\n", GetCapturedStdout());
}

TEST(AnimatedModelScriptTest, run_prepares_the_first_step_without_moving)
{
    TestModel m;
    m.newScript("a");
    position p = makePose({{"x", 10.0}});
    m.appendPose(&p, 10, INT_LINEAR);
    m.stopScript();
    EXPECT_EQ(-1, m.runScript("nope"));
    EXPECT_EQ(nullptr, m.current_script);
    EXPECT_EQ(0, m.runScript("a"));
    EXPECT_EQ(10, m.ticks_left);
    EXPECT_EQ(10, m.ticks_total);
    EXPECT_EQ(0.0, m.getAttribute("x"));
    EXPECT_EQ(m.findScript("a"), m.current_script);
    EXPECT_EQ(0, m.stopScript());
    EXPECT_EQ(0, m.ticks_left);
    EXPECT_EQ(nullptr, m.current_script);
}

// [SECTION] scripts in XML

namespace {

void buildWave(TestModel& m)
{
    m.newScript("wave");
    m.current_script->behavior = SCR_REPEAT;
    position p1 = makePose({{"x", 2.0}});
    position p2 = makePose({{"y", -1.0}, {"x", 0.3333333}});
    position empty;
    m.appendPose(&p1, 30, INT_SIN);
    m.appendPose(&p2, 5, INT_CATMULL_ROM);
    m.appendPose(&empty, 1, INT_LINEAR);
    m.newScript("empty");
}

std::string loadInto(TestModel& m, const TempDir& dir, const std::string& text, bool* ok)
{
    std::string path = dir.file("in.xml");
    writeWholeFile(path, text);
    CaptureStderr();
    *ok = m.loadAttributes(path.c_str());
    return GetCapturedStderr();
}

} // namespace

TEST(AnimatedModelScriptTest, scripts_are_written_after_the_attributes)
{
    TempDir dir;
    TestModel m;
    buildWave(m);
    std::string path = dir.file("wave.xml");
    ASSERT_TRUE(m.saveAttributes(path.c_str()));
    EXPECT_EQ("<?xml version=\"1.0\" ?>\n"
              "<tester>\n"
              "    <attribute name=\"red\" value=\"0.500000\" />\n"
              "    <attribute name=\"size\" value=\"1.000000\" />\n"
              "    <attribute name=\"x\" value=\"0.000000\" />\n"
              "    <attribute name=\"y\" value=\"0.000000\" />\n"
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
              readWholeFile(path));
}

TEST(AnimatedModelScriptTest, scripts_survive_a_save_and_load)
{
    TempDir dir;
    TestModel a;
    buildWave(a);
    std::string path = dir.file("wave.xml");
    ASSERT_TRUE(a.saveAttributes(path.c_str()));

    TestModel b;
    CaptureStderr();
    EXPECT_TRUE(b.loadAttributes(path.c_str()));
    EXPECT_EQ("", GetCapturedStderr());
    ASSERT_EQ(2, b.getScriptCount());
    ASSERT_EQ(3u, b.stepCount("wave"));
    EXPECT_EQ(0u, b.stepCount("empty"));
    EXPECT_EQ(SCR_REPEAT, b.findScript("wave")->behavior);
    EXPECT_EQ(30, b.stepOf("wave", 0).timing);
    EXPECT_EQ(INT_SIN, b.stepOf("wave", 0).interpol);
    EXPECT_EQ(INT_CATMULL_ROM, b.stepOf("wave", 1).interpol);
    EXPECT_DOUBLE_EQ(0.333333, b.stepOf("wave", 1).pose->at("x"));
    EXPECT_EQ(-1.0, b.stepOf("wave", 1).pose->at("y"));
    EXPECT_TRUE(b.stepOf("wave", 2).pose->empty());

    // Loading again makes every script name collide; the scripts stay as they were.
    CaptureStderr();
    EXPECT_FALSE(b.loadAttributes(path.c_str()));
    EXPECT_EQ("error creating new script named 'empty' \n"
              "error creating new script named 'wave' \n",
              GetCapturedStderr());
    EXPECT_EQ(3u, b.stepCount("wave"));
    EXPECT_EQ(0u, b.stepCount("empty"));
    TiXmlDocument doc(path.c_str());
    ASSERT_TRUE(doc.LoadFile());
    CaptureStderr();
    EXPECT_EQ(2, b.fromXML(doc.RootElement()));
    GetCapturedStderr();
}

TEST(AnimatedModelScriptTest, missing_fields_are_reported_with_safe_defaults)
{
    TempDir dir;
    TestModel m;
    bool ok = true;
    std::string errors = loadInto(m, dir,
        "<tester>\n"
        "  <script name=\"s\">\n"
        "    <pose interpolation_type=\"1\"><attribute name=\"x\" value=\"1\"/></pose>\n"
        "    <frame timing=\" 4 ticks\" interpolation_type=\"sin\">\n"
        "      <attribute name=\"x\" value=\"2\"/><attribute name=\"x\" value=\"3\"/>\n"
        "      <attribute name=\"y\" value=\"high\"/><attribute value=\"5\"/>\n"
        "      <value name=\"nonesuch\" value=\"6\"/>\n"
        "    </frame>\n"
        "  </script>\n"
        "  <script behavior=\"1\"><pose timing=\"3\"/></script>\n"
        "  <script name=\"t\" behavior=\"9\"><pose timing=\"0\" interpolation_type=\"7\"/></script>\n"
        "</tester>\n",
        &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ("error reading behavior for script 's'\n"
              "error reading timing for a pose in script 's'\n"
              "error reading interpolation type for a pose in script 's'\n"
              "error reading value for attribute 'y' in script 's'"
              "attribute without a name in script 's'\n"
              "script without a name in model tester\n",
              errors);
    ASSERT_EQ(2, m.getScriptCount());
    EXPECT_EQ(SCR_TERMINATE, m.findScript("s")->behavior);
    ASSERT_EQ(2u, m.stepCount("s"));
    EXPECT_EQ(1, m.stepOf("s", 0).timing);
    EXPECT_EQ(INT_SIN, m.stepOf("s", 0).interpol);
    EXPECT_EQ(4, m.stepOf("s", 1).timing);
    EXPECT_EQ(INT_LINEAR, m.stepOf("s", 1).interpol);
    const position& second = *m.stepOf("s", 1).pose;
    EXPECT_EQ(2u, second.size());
    EXPECT_EQ(3.0, second.at("x"));
    EXPECT_EQ(6.0, second.at("nonesuch"));
    // Numbers outside the enumerations are kept as read.
    EXPECT_EQ(9, static_cast<int>(m.findScript("t")->behavior));
    EXPECT_EQ(7, static_cast<int>(m.stepOf("t", 0).interpol));
    EXPECT_EQ(1, m.stepOf("t", 0).timing);
}

TEST(AnimatedModelScriptTest, no_script_is_read_when_an_attribute_failed)
{
    TempDir dir;
    TestModel m;
    bool ok = true;
    std::string errors = loadInto(m, dir,
        "<tester><attribute name=\"red\" value=\"3\"/><attribute name=\"x\" value=\"1\"/>"
        "<script name=\"s\" behavior=\"0\"/></tester>",
        &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ("error setting attribute red to 3.000000 for model tester\n", errors);
    EXPECT_EQ(1.0, m.getAttribute("x"));
    EXPECT_EQ(0, m.getScriptCount());
}

TEST(AnimatedModelScriptTest, scripts_are_read_from_a_class_named_element)
{
    TempDir dir;
    TestModel m("anyone");
    bool ok = false;
    std::string errors = loadInto(m, dir,
        "<all><other/><TestModel><script name=\"s\" behavior=\"1\">"
        "<pose timing=\"2\" interpolation_type=\"0\"><attribute name=\"x\" value=\"1\"/></pose>"
        "</script></TestModel></all>",
        &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ("", errors);
    ASSERT_EQ(1u, m.stepCount("s"));
    EXPECT_EQ(SCR_REPEAT, m.findScript("s")->behavior);
}
