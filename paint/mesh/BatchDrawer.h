#pragma once

// Draws a mesh's texture batches with OpenGL vertex arrays: one texture bind
// and one draw call per batch. GL thread only.

#include <array>
#include <map>
#include <utility>
#include <vector>

#include "paint/mesh/DrawBatches.h"

class BatchDrawer {
public:
    // Draws every batch with its texture bound and GL_TEXTURE_2D left as the
    // caller set it; untextured triangles draw with texture 0 bound and no
    // coordinates, in the diffuse colour tints[tint - 1] (red, green, blue,
    // alpha) when their tint names one, else in the caller's. The caller's
    // diffuse colour is white, and white is left behind. Afterwards texture 0 is bound, the client arrays are off,
    // and the current normal and coordinates are those of the last corners
    // drawn, as if the triangles had been sent one corner at a time. Triangles whose tint is blended
    // (blended[tint - 1]) are drawn after all others, blended by their alpha and without writing depth.
    // A texture with an entry in masks (its alpha texture and cutoff) shows only the texels whose alpha is at
    // least the cutoff.
    using Masks = std::map<unsigned int, std::pair<unsigned int, float>>;
    static void draw(const DrawBatches& batches, const std::vector<std::array<float, 4>>& tints = {},
                     const std::vector<bool>& blended = {}, const Masks& masks = {});

private:
    static void drawBatch(const DrawBatches& batches, const DrawBatches::Batch& batch,
                          const std::vector<std::array<float, 4>>& tints, const Masks& masks);
};
