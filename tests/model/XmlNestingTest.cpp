// Nesting depth as the XML reader reaches it, and attribute files refused for it.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <algorithm>
#include <string>

#include "model/xml/XmlNesting.h"
#include "tests/model/TestModel.h"

using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

namespace {

size_t treeDepth(const TiXmlNode* node) {
    size_t deepest = 0;
    for (const TiXmlNode* child = node->FirstChild(); child; child = child->NextSibling())
        deepest = std::max(deepest, treeDepth(child));
    return deepest + (node->ToElement() ? 1 : 0);
}

std::string repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i)
        out += s;
    return out;
}

}  // namespace

// End tags hidden in attribute values, comments and CDATA do not close anything; in UTF-8 mode (after a declaration) a
// lead byte takes the '<' of the next end tag with it, so the element stays open.
TEST(XmlNestingTest, depth_follows_the_reader_through_quotes_comments_and_utf8) {
    const struct {
        std::string text;
        size_t depth;
    } cases[] = {
        {"<a><b><c/></b><b></b></a>", 2},
        {"<a x=\"</a>\" y='</a>'><b/></a>", 1},
        {"<a x=\">\"><b></b></a>", 2},
        {"<a><!-- <b><c> --><![CDATA[<b><c>]]></a>", 1},
        {"<!DOCTYPE x><a></a><?pi <b> ?>", 1},
        {"<a>\xC3</a><a>\xC3</a>", 1},
        {"<?xml version=\"1.0\" ?><a>\xC3</a><a>\xC3</a>", 2},
        {"<?xml version=\"1.0\" ?><a x=\"\xC3\"><b/>\" ><c></c></a>", 2},
        {"text first<a><b></b></a>", 0},
        {"<a>\r\n<b>\r</b></a>", 2},
        {repeat("<a>", 300), 300},
        {repeat("<a>", 300).replace(0, 3, std::string("<a>\0<a>", 7)), 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.depth, xmlNestingDepth(c.text)) << c.text;
        TiXmlDocument doc;
        // Where the reader accepts the text, its tree is exactly that deep.
        if (doc.Parse(c.text.c_str()) && !doc.Error()) {
            EXPECT_EQ(c.depth, treeDepth(&doc)) << c.text;
        }
    }
}

TEST(XmlNestingTest, files_nested_deeper_than_256_are_refused_before_parsing) {
    ScratchDir dir;
    const std::string file = dir.path("deep.xml");
    for (size_t depth : {size_t(256), size_t(257), size_t(50000)}) {
        writeFile(file, "<?xml version=\"1.0\" ?>\n<tester><attribute name=\"x\" value=\"3\" />" +
                            repeat("<deep>", int(depth) - 1) + repeat("</deep>", int(depth) - 1) + "</tester>\n");
        TestModel m;
        CaptureStderr();
        CaptureStdout();
        const bool loaded = m.loadAttributes(file.c_str());
        EXPECT_EQ("", GetCapturedStdout());
        const std::string err = GetCapturedStderr();
        if (depth <= 256) {
            EXPECT_TRUE(loaded);
            EXPECT_EQ("", err);
            EXPECT_EQ(3.0, m.getAttribute("x"));
        } else {
            EXPECT_FALSE(loaded) << depth;
            EXPECT_EQ("Error loading file: " + file + ": elements nested deeper than 256\n", err);
            EXPECT_EQ(0.0, m.getAttribute("x"));
        }
    }
}
