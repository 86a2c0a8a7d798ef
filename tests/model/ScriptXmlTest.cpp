// The scripts' part of a model's XML element, element to model and back: what a save writes reads back the same
// through the printed text, every unreadable piece is reported and counted, and a script the model already holds is
// taken again only when the element repeats it exactly.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <cstdio>
#include <memory>
#include <string>

#include "tests/model/TestModel.h"

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

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

// Names are refused when made if the file could not carry them; plain UTF-8 text, markup characters included,
// comes back through the printed element, escaped and unescaped.
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
        {"value=\"1.250000\"", "value=\"1.250001\""},
        {"value=\"1.250000\"", "value=\"1.25\""},
        {"name=\"x\" value=\"1.250000\"", "name=\"y\" value=\"1.250000\""},
        {"<attribute name=\"x\" value=\"1.250000\" />", ""},
        {"<attribute name=\"x\" value=\"1.250000\" />",
         "<attribute name=\"x\" value=\"1.250000\" /><a name=\"z\" "
         "value=\"0.000000\" />"},
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
