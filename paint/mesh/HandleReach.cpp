// Radial reach of a dragged sizing handle; plain arithmetic on scene
// vectors, no model or OpenGL involved.
#include "paint/mesh/HandleReach.h"

#include <algorithm>
#include <cmath>

namespace HandleReach {

double along(const double offset[3], const double motion[3]) {
    const double length = std::sqrt(offset[0] * offset[0] + offset[1] * offset[1] + offset[2] * offset[2]);
    if (length == 0.0)
        return 0.0;
    return length + (motion[0] * offset[0] + motion[1] * offset[1] + motion[2] * offset[2]) / length;
}

double resized(double size, const double offset[3], const double motion[3]) {
    const double none[3] = {0.0, 0.0, 0.0};
    const double before = along(offset, none);
    return before == 0.0 ? size : size * along(offset, motion) / before;
}

void farthestCorner(const std::vector<PolyMesh::Vertex*>& vertices, double corner[3]) {
    double lo[3] = {0.0, 0.0, 0.0}, hi[3] = {0.0, 0.0, 0.0};
    for (size_t v = 0; v < vertices.size(); ++v)
        for (int k = 0; k < 3; ++k) {
            const double p = vertices[v]->pos[k];
            lo[k] = v == 0 ? p : std::min(lo[k], p);
            hi[k] = v == 0 ? p : std::max(hi[k], p);
        }
    // Each axis on its own: the farthest corner takes the farther end of each.
    for (int k = 0; k < 3; ++k)
        corner[k] = std::fabs(hi[k]) >= std::fabs(lo[k]) ? hi[k] : lo[k];
    if (corner[0] == 0.0 && corner[1] == 0.0 && corner[2] == 0.0)
        corner[0] = corner[1] = corner[2] = 1.0;
}

}  // namespace HandleReach
