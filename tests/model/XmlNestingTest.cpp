// What attribute files may hold: the texts and names they can carry, and the nesting depth the XML reader reaches.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <algorithm>
#include <sstream>
#include <string>

#include "model/xml/XmlNesting.h"
#include "model/xml/XmlText.h"
#include "tests/model/TestModel.h"

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

// Hidden end tags close nothing; after a declaration a UTF-8 lead byte swallows the '<' of the next end tag.
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
        testing::internal::CaptureStderr();
        testing::internal::CaptureStdout();
        const bool loaded = m.loadAttributes(file.c_str());
        EXPECT_EQ("", testing::internal::GetCapturedStdout());
        const std::string err = testing::internal::GetCapturedStderr();
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

// Each side of every boundary: name letters and followers, plain text that is no name (leading ':' or digit, spaces,
// markup, U+037E, U+FFFE, U+10FFFF), neither (controls, surrogates, past U+10FFFF, overlong, cut short, stray bytes).
TEST(XmlTextTest, plain_text_and_names_at_the_boundaries_of_each_class) {
    // Cases between '|', each led by 'n' for a name (so plain text too), 'p' for plain text only, '-' for neither.
    std::stringstream cases(
        "nabc|n_x.y-z:1|na:b|n\xc3\x80|n\xc3\xbc|na\xc2\xb7|na\xcc\x80|n\xdf\xbf|n\xe0\xa0\x80|n\xe2\x80\x8c|"
        "na\xe2\x80\xbf|n\xef\xbf\xbd|n\xf0\x90\x80\x80|n\xf0\x9f\x8e\xa8|p|p:a|p1a|p-a|p.a|pa b|pa<b&c\"'|p\xc2\xa0|"
        "p\xc2\xb7|p\xc3\x97|p\xcc\x80|p\xcd\xbe|p\xe3\x80\x80|p\xef\xbf\xbe|p\xf3\xb0\x80\x80|p\xf4\x8f\xbf\xbf|-a\tb|"
        "-a\x1f|-a\x7f|-\xc2\x80|-a\xc2\x9f|-\xf4\x90\x80\x80|-\xed\xa0\x80|-\xed\xbf\xbf|-\xc0\xaf|-\xc1\xbf|"
        "-\xe0\x9f\xbf|-\xf0\x8f\xbf\xbf|-a\xc3|-\xe2\x82|-\xe2\x82z|-\x80|-a\xff|-\xf8\x88\x80\x80\x80");
    for (std::string c; std::getline(cases, c, '|');) {
        const std::string text = c.substr(1);
        EXPECT_EQ(c[0] != '-', isPlainText(text.c_str())) << testing::PrintToString(text);
        EXPECT_EQ(c[0] == 'n', isXmlName(text.c_str())) << testing::PrintToString(text);
    }
    EXPECT_FALSE(isPlainText(nullptr));
    EXPECT_FALSE(isXmlName(nullptr));
}
