#pragma once

// Where a ray first meets a mesh, in the mesh's own space: the nearest
// triangle it crosses, found by walking the triangle grid from the ray's
// start, and the point there. Both faces of a triangle count, as the brush
// paints both.
#include <vector>

#include "paint/mesh/PolyMesh.h"
#include "paint/mesh/TriangleGrid.h"

class SurfaceRay {
public:
    struct Hit {
        double point[3] = {0, 0, 0};
        double along = 0;  // the distance from the start in lengths of direction
        PolyMesh::Triangle* triangle = nullptr;
        double weights[3] = {0, 0, 0};  // of the triangle's corners at the point
    };

    // The ray from origin along direction (any non-zero length), ahead of
    // origin only; grid must be refreshed for triangles. False when it meets none.
    static bool nearest(TriangleGrid& grid, const std::vector<PolyMesh::Triangle*>& triangles, const double* origin,
                        const double* direction, Hit& hit);
    // Whether the ray meets tri ahead of origin, and where (along and weights of hit).
    static bool meets(PolyMesh::Triangle* tri, const double* origin, const double* direction, Hit& hit);
    // The point of the mesh nearest point, no farther than reach (along: its distance).
    static bool closest(TriangleGrid& grid, const std::vector<PolyMesh::Triangle*>& triangles, const double* point,
                        double reach, Hit& hit);
    // The point of tri nearest point.
    static void closestOn(PolyMesh::Triangle* tri, const double* point, Hit& hit);
};
