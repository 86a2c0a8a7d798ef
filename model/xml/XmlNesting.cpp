// The nesting count follows the reader step by step without building
// anything: which construct a '<' opens (declaration, comment, CDATA,
// unknown markup, element, end tag), how quoted attribute values and text run
// (in UTF-8 mode a lead byte takes its following bytes with it, whatever they
// are), and where white space and byte-order marks are skipped. Which
// encoding a declaration selects is not decoded: the text is counted both
// ways and the deeper count wins. It never recurses, whatever the depth.
#include "model/xml/XmlNesting.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

bool isSpace(unsigned char c) {
    return std::isspace(c) || c == '\n' || c == '\r';
}

bool startsName(unsigned char c) {
    return (c < 127 ? std::isalpha(c) != 0 : true) || c == '_';
}

bool continuesName(unsigned char c) {
    return (c < 127 ? std::isalnum(c) != 0 : true) || c == '_' || c == '-' || c == '.' || c == ':';
}

// Bytes the reader takes as one character after this lead byte in UTF-8 mode.
int utf8Length(unsigned char lead) {
    if (lead < 0xC2)
        return 1;
    if (lead < 0xE0)
        return 2;
    if (lead < 0xF0)
        return 3;
    return lead < 0xF5 ? 4 : 1;
}

class NestingCounter {
public:
    NestingCounter(const unsigned char* text, bool declaredUtf8)
        : p_(text), utf8_(false), encodingOpen_(true), declaredUtf8_(declaredUtf8), depth_(0), deepest_(0) {}

    size_t count();

private:
    bool at(const char* tag) const {
        return std::strncmp(reinterpret_cast<const char*>(p_), tag, std::strlen(tag)) == 0;
    }
    bool atIgnoringCase(const char* tag) const;
    void skipSpace();
    void skipCharacter();
    void skipPast(const char* end);
    bool skipText(const char* end, bool trim);
    bool skipName();
    bool skipAttribute();
    bool skipDeclaration();
    bool skipElementTag();
    bool skipMarkup();

    const unsigned char* p_;
    bool utf8_;          // characters are read as UTF-8 sequences
    bool encodingOpen_;  // no declaration has chosen the encoding yet
    bool declaredUtf8_;  // the encoding a declaration chooses
    size_t depth_;
    size_t deepest_;
};

bool NestingCounter::atIgnoringCase(const char* tag) const {
    const unsigned char* q = p_;
    for (; *tag; ++tag, ++q) {
        if (!*q || std::tolower(*q) != std::tolower(static_cast<unsigned char>(*tag)))
            return false;
    }
    return true;
}

void NestingCounter::skipSpace() {
    while (*p_) {
        // In UTF-8 mode the byte-order mark and two non-characters count as blanks.
        if (utf8_ && p_[0] == 0xEF &&
            ((p_[1] == 0xBB && p_[2] == 0xBF) || (p_[1] == 0xBF && (p_[2] == 0xBE || p_[2] == 0xBF)))) {
            p_ += 3;
        } else if (isSpace(*p_)) {
            ++p_;
        } else {
            break;
        }
    }
}

// One character of text; never past the end (where the reader would overrun).
void NestingCounter::skipCharacter() {
    int length = utf8_ ? utf8Length(*p_) : 1;
    for (int i = 0; i < length && *p_; ++i)
        ++p_;
}

void NestingCounter::skipPast(const char* end) {
    while (*p_ && !at(end))
        ++p_;
    if (*p_)
        p_ += std::strlen(end);
}

// Text up to and past `end`, character by character; false at the end of the text.
bool NestingCounter::skipText(const char* end, bool trim) {
    if (trim)
        skipSpace();
    while (*p_ && !at(end)) {
        if (trim && isSpace(*p_))
            ++p_;
        else
            skipCharacter();
    }
    if (!*p_)
        return false;
    p_ += std::strlen(end);
    return *p_ != 0;
}

bool NestingCounter::skipName() {
    if (!*p_ || !startsName(*p_))
        return false;
    while (*p_ && continuesName(*p_))
        ++p_;
    return true;
}

bool NestingCounter::skipAttribute() {
    skipSpace();
    if (!skipName())
        return false;
    skipSpace();
    if (*p_ != '=')
        return false;
    ++p_;
    skipSpace();
    if (*p_ == '\'' || *p_ == '"') {
        const char quote[2] = {static_cast<char>(*p_), '\0'};
        ++p_;
        return skipText(quote, false);
    }
    while (*p_ && !isSpace(*p_) && *p_ != '/' && *p_ != '>') {
        if (*p_ == '\'' || *p_ == '"')
            return false;
        ++p_;
    }
    return *p_ != 0;
}

bool NestingCounter::skipDeclaration() {
    p_ += 5;
    while (*p_) {
        if (*p_ == '>') {
            ++p_;
            return true;
        }
        skipSpace();
        if (atIgnoringCase("version") || atIgnoringCase("encoding") || atIgnoringCase("standalone")) {
            if (!skipAttribute())
                return false;
        } else {
            while (*p_ && *p_ != '>' && !isSpace(*p_))
                ++p_;
        }
    }
    return false;
}

// From '<' to past the tag's end; an element that holds content is entered.
bool NestingCounter::skipElementTag() {
    ++p_;
    if (!skipName())
        return false;
    while (*p_) {
        skipSpace();
        if (*p_ == '/') {
            if (p_[1] != '>')
                return false;
            p_ += 2;
            return true;
        }
        if (*p_ == '>') {
            ++p_;
            deepest_ = std::max(deepest_, ++depth_);
            return true;
        }
        if (!skipAttribute())
            return false;
    }
    return false;
}

// Whatever starts at this '<' other than an end tag inside an element.
bool NestingCounter::skipMarkup() {
    if (atIgnoringCase("<?xml")) {
        bool ok = skipDeclaration();
        // The first declaration outside every element chooses the encoding.
        if (depth_ == 0 && encodingOpen_) {
            encodingOpen_ = false;
            utf8_ = declaredUtf8_;
        }
        return ok;
    }
    if (at("<!--")) {
        skipPast("-->");
        return true;
    }
    if (at("<![CDATA[")) {
        p_ += 9;
        while (*p_ && !at("]]>"))
            ++p_;
        return skipText("]]>", false);
    }
    if (!at("<!") && startsName(p_[1]))
        return skipElementTag();
    skipPast(">");  // markup the reader keeps without looking inside
    return true;
}

size_t NestingCounter::count() {
    if (p_[0] == 0xEF && p_[1] == 0xBB && p_[2] == 0xBF) {
        utf8_ = true;
        encodingOpen_ = false;
    }
    skipSpace();
    while (*p_) {
        if (*p_ != '<') {
            // Text outside every element ends the document; inside, it runs to the next '<'.
            if (depth_ == 0 || !skipText("<", true))
                break;
            --p_;
            continue;
        }
        if (depth_ > 0 && p_[1] == '/') {
            --depth_;
            skipPast(">");
        } else if (!skipMarkup()) {
            break;
        }
        skipSpace();
    }
    return deepest_;
}

// The text as the reader sees it after reading a file: up to the first NUL,
// line ends made LF, followed by enough NULs for every look-ahead.
std::string readerView(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 4);
    for (size_t i = 0; i < text.size() && text[i] != '\0'; ++i) {
        if (text[i] != '\r') {
            out += text[i];
            continue;
        }
        out += '\n';
        if (i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
    }
    out.append(4, '\0');
    return out;
}

}  // namespace

size_t xmlNestingDepth(const std::string& text) {
    const std::string view = readerView(text);
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(view.data());
    return std::max(NestingCounter(bytes, true).count(), NestingCounter(bytes, false).count());
}
