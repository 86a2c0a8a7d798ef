// Checks of names and texts bound for an XML file. UTF-8 is decoded strictly:
// overlong forms, surrogates and code points past U+10FFFF are refused, as are
// bytes that begin no sequence. The name characters are XML 1.0's, less ':'
// as the first, which the reader in use does not accept there.
#include "model/xml/XmlText.h"

#include <cstdint>

namespace {

const uint32_t kNoCharacter = 0xFFFFFFFF;

// The code point at *p, moving *p past it; kNoCharacter when the bytes there
// are no valid UTF-8.
uint32_t nextCodePoint(const unsigned char** p) {
    const unsigned char* s = *p;
    uint32_t cp = s[0];
    int more = 0;
    uint32_t least = 0;
    if (cp < 0x80) {
        more = 0;
    } else if ((cp & 0xE0) == 0xC0) {
        more = 1, cp &= 0x1F, least = 0x80;
    } else if ((cp & 0xF0) == 0xE0) {
        more = 2, cp &= 0x0F, least = 0x800;
    } else if ((cp & 0xF8) == 0xF0) {
        more = 3, cp &= 0x07, least = 0x10000;
    } else {
        return kNoCharacter;
    }
    for (int i = 1; i <= more; ++i) {
        if ((s[i] & 0xC0) != 0x80)  // also stops at the terminator
            return kNoCharacter;
        cp = cp << 6 | (s[i] & 0x3F);
    }
    if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return kNoCharacter;
    *p = s + more + 1;
    return cp;
}

bool isControl(uint32_t cp) {
    return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F);
}

bool inRanges(uint32_t cp, const uint32_t (*ranges)[2], int count) {
    for (int i = 0; i < count; ++i) {
        if (cp >= ranges[i][0] && cp <= ranges[i][1])
            return true;
    }
    return false;
}

bool isNameStart(uint32_t cp) {
    static const uint32_t kRanges[][2] = {{'A', 'Z'},       {'_', '_'},       {'a', 'z'},        {0xC0, 0xD6},
                                          {0xD8, 0xF6},     {0xF8, 0x2FF},    {0x370, 0x37D},    {0x37F, 0x1FFF},
                                          {0x200C, 0x200D}, {0x2070, 0x218F}, {0x2C00, 0x2FEF},  {0x3001, 0xD7FF},
                                          {0xF900, 0xFDCF}, {0xFDF0, 0xFFFD}, {0x10000, 0xEFFFF}};
    return inRanges(cp, kRanges, sizeof kRanges / sizeof kRanges[0]);
}

bool isNameCharacter(uint32_t cp) {
    static const uint32_t kRanges[][2] = {{'-', '.'}, {'0', ':'}, {0xB7, 0xB7}, {0x300, 0x36F}, {0x203F, 0x2040}};
    return isNameStart(cp) || inRanges(cp, kRanges, sizeof kRanges / sizeof kRanges[0]);
}

}  // namespace

bool isPlainText(const char* text) {
    if (!text)
        return false;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p;) {
        uint32_t cp = nextCodePoint(&p);
        if (cp == kNoCharacter || isControl(cp))
            return false;
    }
    return true;
}

bool isXmlName(const char* text) {
    if (!text || !*text)
        return false;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    for (bool first = true; *p; first = false) {
        uint32_t cp = nextCodePoint(&p);
        if (cp == kNoCharacter || !(first ? isNameStart(cp) : isNameCharacter(cp)))
            return false;
    }
    return true;
}
