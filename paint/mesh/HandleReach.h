// Handles that size something (a model's scale, the brush's radii) about a
// centre: only the part of a drag along the line from the centre to the
// handle counts, so a sideways wobble of the cursor leaves the size alone.
#pragma once

#include <vector>

#include "paint/mesh/PolyMesh.h"

namespace HandleReach {

// The handle's distance from the centre after it moves by motion, where
// offset is its position relative to the centre before: |offset| plus the
// motion's share along offset. Dragged through the centre it turns negative;
// a handle at the centre (offset 0) reaches 0.
double along(const double offset[3], const double motion[3]);

// size scaled by the handle's reach after motion over its distance before,
// so the handle stays under the cursor; size unchanged when the handle sits
// at the centre. Limits are the caller's.
double resized(double size, const double offset[3], const double motion[3]);

// The corner of the vertices' bounding box farthest from the origin, where a
// model's scale handle sits; (1, 1, 1) when there are no vertices or the box
// is the origin itself, so the handle never sits on the model's centre.
void farthestCorner(const std::vector<PolyMesh::Vertex*>& vertices, double corner[3]);

}  // namespace HandleReach
