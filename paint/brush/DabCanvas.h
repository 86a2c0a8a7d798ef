#pragma once

// One skin as one dab paints it: the picture, its dab stamps (a texel takes
// the brush once per dab, however many triangles show it) and the rectangle
// of texels the dab has changed so far. Texels are blended straight into a
// picture that holds them all.
#include <GL/gl.h>

#include "paint/brush/DabStamps.h"
#include "paint/image/Image.h"
#include "paint/image/TexelRect.h"

class DabCanvas {
public:
    // Starts a new dab on stamps; changed grows with every texel blended.
    DabCanvas(Image& image, DabStamps& stamps, TexelRect& changed);

    int width() const { return width_; }
    int height() const { return height_; }
    // Blends colour into texel (x, y) at opacity, unless the texel lies
    // outside the picture or this dab has blended it already.
    void blend(int x, int y, const GLubyte* colour, double opacity) {
        if (blendTexel(x, y, colour, opacity))
            changed_.include(x, y);
    }
    // The same without growing the changed rectangle, which the caller grows
    // with markChanged; true when the texel was blended.
    bool blendTexel(int x, int y, const GLubyte* colour, double opacity) {
        if (static_cast<unsigned>(x) >= static_cast<unsigned>(width_) ||
            static_cast<unsigned>(y) >= static_cast<unsigned>(height_))
            return false;
        const size_t at = static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x);
        if (!stamps_.claim(at))
            return false;
        if (texels_) {
            Image::blendTexel(texels_ + 3 * at, colour, opacity);
            return true;
        }
        GLubyte copy[3] = {colour[0], colour[1], colour[2]};
        return image_.set(x, y, copy, opacity) != 0;  // a picture short of texels refuses some
    }
    // Column x, rows y0..y1, were blended.
    void markChanged(int x, int y0, int y1) {
        changed_.include(x, y0);
        changed_.include(x, y1);
    }

private:
    Image& image_;
    DabStamps& stamps_;
    TexelRect& changed_;
    GLubyte* texels_;  // the picture's texels when it holds them all
    int width_, height_;
};
