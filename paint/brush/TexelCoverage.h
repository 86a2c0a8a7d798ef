#pragma once

// Which texels of one skin some triangle of a model shows: the texels whose
// square holds a point of a triangle, as the painter maps texture coordinates
// to texels, with coordinates beyond 0..1 repeating the skin as the window
// does. Seam bleed paints only texels no triangle shows, so the mask errs
// toward showing. Built once per skin and layout, not per dab.
#include <cstdint>
#include <vector>

#include "paint/mesh/PolyMesh.h"

class TexelCoverage {
public:
    // Marks afresh what the triangles with texture `texture` show in a
    // width x height picture, unless layout (a fingerprint of the mesh's
    // texture layout) and the size are those of the last build.
    void refresh(const std::vector<PolyMesh::Triangle*>& triangles, unsigned int texture, int width, int height,
                 uint64_t layout);
    // (x, y) must lie inside the picture.
    bool covered(int x, int y) const {
        return shown_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)] != 0;
    }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    // Marks the texels one triangle's texture-space corners (in texels) show.
    void markTriangle(const double (*corner)[2]);

    std::vector<uint8_t> shown_;
    int width_ = -1, height_ = -1;
    uint64_t layout_ = 0;
    bool built_ = false;
};
