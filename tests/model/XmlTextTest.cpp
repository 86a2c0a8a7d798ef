// Which texts an attribute file can carry and which are element names: the UTF-8 boundaries, the control ranges and
// the name character classes, one character at a time.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "model/xml/XmlText.h"

// Names: Latin-1 letters about U+00D7, U+00B7 and combining accents after a letter, U+037F..U+1FFF, U+200C,
// U+203F after a letter, U+FFFD and U+10000. Plain but no name: ':' and digits first, spaces, markup, U+00A0,
// U+00D7, U+037E (the Greek question mark), the ideographic space, U+FFFE, U+F0000 and U+10FFFF. Neither: controls
// (C0, DEL, C1), code points past U+10FFFF, surrogates, overlong forms, sequences cut short, stray and unused bytes.
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
