// Blending a mesh between two keyframes. Frames of different sizes move only
// the vertices both hold, so a frame that lost vertices cannot reach past its end.
#include "paint/mesh/KeyframeMesh.h"

#include <algorithm>
#include <cmath>

void KeyframeMesh::showFrame(PolyMesh& mesh, double frame) const {
    if (frames_.empty())
        return;
    const double last = static_cast<double>(frames_.size() - 1);
    const double clamped = frame > 0.0 ? std::min(frame, last) : 0.0;  // NaN shows the first frame
    const size_t a = static_cast<size_t>(std::floor(clamped));
    const size_t b = std::min(a + 1, frames_.size() - 1);
    const float t = static_cast<float>(clamped - static_cast<double>(a));
    const Frame& from = frames_[a];
    const Frame& to = frames_[b];
    const size_t moved = std::min(from.positions.size(), to.positions.size()) / 3;
    for (size_t i = 0; i < moved; ++i) {
        float p[3];
        for (int k = 0; k < 3; ++k)
            p[k] = from.positions[3 * i + k] + t * (to.positions[3 * i + k] - from.positions[3 * i + k]);
        mesh.moveVertex(static_cast<unsigned int>(i), p[0], p[1], p[2]);
    }
    const size_t turned = std::min(from.normals.size(), to.normals.size()) / 3;
    for (size_t i = 0; i < turned; ++i) {
        float n[3];
        for (int k = 0; k < 3; ++k)
            n[k] = from.normals[3 * i + k] + t * (to.normals[3 * i + k] - from.normals[3 * i + k]);
        const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        if (length > 0.0f)
            mesh.setNormalVector(static_cast<unsigned int>(i), n[0] / length, n[1] / length, n[2] / length);
    }
    mesh.updateTriangles();
}
