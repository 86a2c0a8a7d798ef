// Glyphs for the windowless renderer, read at run time from freeglut's own
// font table, the object its GLUT_BITMAP_TIMES_ROMAN_24 stands for
// (fgFontTimesRoman24; the exported glutBitmapTimesRoman24 is only a tag).
// The layout relied on, freeglut 3's bitmap font record:
//   const char* name; int count; int height; const GLubyte** glyphs;
//   float x_origin, y_origin;
// where glyphs[c] is the glyph's width in pixels followed by `height` rows of
// (width + 7) / 8 bytes, bottom row first. The record is checked against the
// font it must be before it is used; a library whose table does not look like
// it draws no text and says so once.
#include "viewer/OverlayFont.h"

#include <GL/glut.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstring>

#include "model/Windowless.h"

namespace {

struct FreeglutBitmapFont {
    const char* name;
    int count;
    int height;
    const GLubyte** glyphs;
    float x_origin;
    float y_origin;
};

const char kFontSymbol[] = "fgFontTimesRoman24";
const char kFontName[] = "-adobe-times-medium-r-normal--24-240-75-75-p-124-iso8859-1";
const int kGlyphCount = 256;
const int kMostRows = 64;

const FreeglutBitmapFont* findFont() {
    const auto* font = static_cast<const FreeglutBitmapFont*>(dlsym(RTLD_DEFAULT, kFontSymbol));
    if (font && font->name && std::strcmp(font->name, kFontName) == 0 && font->count == kGlyphCount &&
        font->height > 0 && font->height <= kMostRows && font->glyphs) {
        return font;
    }
    std::fprintf(stderr, "no overlay text without a window: freeglut's %s is not the font it should be\n", kFontSymbol);
    return nullptr;
}

const FreeglutBitmapFont* font() {
    static const FreeglutBitmapFont* found = findFont();
    return found;
}

}  // namespace

void drawOverlayCharacter(int character) {
    if (!windowless()) {
        glutBitmapCharacter(GLUT_BITMAP_TIMES_ROMAN_24, character);
        return;
    }
    // freeglut draws nothing for character 0 and anything past the table.
    const FreeglutBitmapFont* times = font();
    if (!times || character < 1 || character >= kGlyphCount || !times->glyphs[character])
        return;
    const GLubyte* glyph = times->glyphs[character];
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glBitmap(glyph[0], times->height, times->x_origin, times->y_origin, static_cast<float>(glyph[0]), 0.0f, glyph + 1);
    glPopClientAttrib();
}
