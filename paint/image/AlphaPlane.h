#pragma once

// The alpha channel of a picture file, which skins leave out: one byte a
// texel, bottom row first as a Picture's rows are. Model classes whose
// materials cut their textures by alpha keep it beside the skin.

#include <cstddef>
#include <vector>

#include "paint/image/ImageFormats.h"

class AlphaPlane {
public:
    // The alpha of the size bytes of a PNG or TGA file; empty when the picture has none (every texel opaque),
    // is of another format, cannot be read, or is not width x height texels.
    static std::vector<unsigned char> decode(const unsigned char* bytes, size_t size, ImageFormat format, int width,
                                             int height);
};
