// Which texts an attribute file can carry and which are element names: the UTF-8 boundaries, the control ranges and
// the name character classes, one character at a time.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "model/xml/XmlText.h"

TEST(XmlTextTest, plain_text_and_names_at_the_boundaries_of_each_class) {
    const struct {
        const char* text;
        bool plain, name;
    } cases[] = {
        {"", true, false},
        {"abc", true, true},
        {"_x.y-z:1", true, true},
        {"a:b", true, true},
        {":a", true, false},  // the reader takes no ':' first
        {"1a", true, false},
        {"-a", true, false},
        {".a", true, false},
        {"a b", true, false},
        {"a<b&c\"'", true, false},
        {"a\tb", false, false},
        {"a\x1f", false, false},
        {"a\x7f", false, false},
        {"\xc2\x80", false, false},  // U+0080, the first C1 control and the first two-byte character
        {"a\xc2\x9f", false, false},
        {"\xc2\xa0", true, false},
        {"a\xc2\xb7", true, true},  // U+00B7 may follow, not lead
        {"\xc2\xb7", true, false},
        {"\xc3\x80", true, true},
        {"\xc3\x97", true, false},  // U+00D7, the multiplication sign, inside the Latin-1 letters
        {"\xc3\xbc", true, true},
        {"a\xcc\x80", true, true},  // a combining accent after a letter
        {"\xcc\x80", true, false},
        {"\xcd\xbe", true, false},  // U+037E, the Greek question mark
        {"\xdf\xbf", true, true},
        {"\xe0\xa0\x80", true, true},
        {"\xe2\x80\x8c", true, true},
        {"a\xe2\x80\xbf", true, true},
        {"\xe3\x80\x80", true, false},  // the ideographic space
        {"\xef\xbf\xbd", true, true},
        {"\xef\xbf\xbe", true, false},
        {"\xf0\x90\x80\x80", true, true},
        {"\xf0\x9f\x8e\xa8", true, true},
        {"\xf3\xb0\x80\x80", true, false},
        {"\xf4\x8f\xbf\xbf", true, false},  // U+10FFFF, the last code point
        // No UTF-8: past the last code point, surrogates, overlong forms, cut short, stray and unused bytes.
        {"\xf4\x90\x80\x80", false, false},
        {"\xed\xa0\x80", false, false},
        {"\xed\xbf\xbf", false, false},
        {"\xc0\xaf", false, false},
        {"\xc1\xbf", false, false},
        {"\xe0\x9f\xbf", false, false},
        {"\xf0\x8f\xbf\xbf", false, false},
        {"a\xc3", false, false},
        {"\xe2\x82", false, false},
        {"\xe2\x82z", false, false},
        {"\x80", false, false},
        {"a\xff", false, false},
        {"\xf8\x88\x80\x80\x80", false, false},
    };
    for (const auto& c : cases) {
        std::string shown;
        for (unsigned char ch : std::string(c.text)) {
            char hex[8];
            std::snprintf(hex, sizeof hex, ch < 0x80 && ch >= 0x20 ? "%c" : "\\x%02x", ch);
            shown += hex;
        }
        EXPECT_EQ(c.plain, isPlainText(c.text)) << shown;
        EXPECT_EQ(c.name, isXmlName(c.text)) << shown;
    }
    EXPECT_FALSE(isPlainText(nullptr));
    EXPECT_FALSE(isXmlName(nullptr));
}
