#pragma once

// Seam bleed: the skin texels just outside a dab's triangles that no triangle
// shows take the colour of the nearest texel the dab painted, so linear
// filtering across an island's edge blends painted colour with painted
// colour rather than leaving a line of the old one.
#include <GL/gl.h>

#include <cstddef>
#include <vector>

#include "paint/image/TexelRect.h"

class DabStamps;
class TexelCoverage;

class SeamBleed {
public:
    // Finds the texels within reach (a Euclidean distance in texels) of a
    // texel the current dab of stamps painted inside `painted` that no
    // triangle covers, each with its nearest painted texel (the one in the
    // lower row, then the lower column, on a tie). Returns the rectangle they
    // fill, empty for none. The stamps and the coverage are of one picture.
    TexelRect find(const TexelCoverage& coverage, const DabStamps& stamps, const TexelRect& painted, int reach);
    // Copies the colours found into texels, the whole RGB picture find looked at.
    void apply(GLubyte* texels) const;
    // How many texels the last find gave a colour.
    size_t count() const { return moves_.size(); }

private:
    struct Move {
        size_t to, from;  // texel indices y * width + x
    };
    std::vector<int> rowOffset_;  // per texel of the searched area: x offset to the row's nearest painted texel
    std::vector<Move> moves_;
};
