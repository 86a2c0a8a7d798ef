#pragma once

// One skin as one dab paints it: the picture, its dab stamps (a texel takes
// the brush once per dab, however many triangles show it) and the rectangle
// of texels the dab has changed so far.
#include <GL/gl.h>

#include "paint/DabStamps.h"
#include "paint/Image.h"
#include "paint/TexelRect.h"

class DabCanvas {
public:
    // Starts a new dab on stamps; changed grows with every texel blended.
    DabCanvas(Image& image, DabStamps& stamps, TexelRect& changed);

    int width() const { return width_; }
    int height() const { return height_; }
    // Blends colour into texel (x, y) at opacity, unless the texel lies
    // outside the picture or this dab has blended it already.
    void blend(int x, int y, GLubyte* colour, double opacity) {
        if (x < 0 || y < 0 || x >= width_ || y >= height_ || !stamps_.claim(x, y))
            return;
        if (image_.set(x, y, colour, opacity))
            changed_.include(x, y);
    }

private:
    Image& image_;
    DabStamps& stamps_;
    TexelRect& changed_;
    int width_, height_;
};
