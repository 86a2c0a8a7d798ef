// Keyframes of a mesh's vertices and normals as plain floats, and moving the
// mesh to any point on the way between two of them. Model classes that pose
// their mesh on the processor keep their frames here.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include "paint/mesh/PolyMesh.h"

class KeyframeMesh {
public:
    // x, y, z per vertex, numbered as the mesh's vertices and normals are.
    struct Frame {
        std::vector<float> positions;
        std::vector<float> normals;
    };

    KeyframeMesh() = default;
    explicit KeyframeMesh(std::vector<Frame> frames) : frames_(std::move(frames)) {}

    size_t count() const { return frames_.size(); }

    // Moves mesh's vertices and normals to frame, clamped to the frames there
    // are; a fraction blends the two frames around it. A vertex whose normal
    // has no length in either frame keeps the normal it has.
    void showFrame(PolyMesh& mesh, double frame) const;

private:
    std::vector<Frame> frames_;
};
