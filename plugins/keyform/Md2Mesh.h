// The mesh an MD2 file describes and the keyframes that move it, built from a
// decoded file into any PolyMesh. No OpenGL, model or file is involved, so the
// plug-in's models and the fuzzer's hostile inputs go through the same code.
#pragma once

#include <cstdint>
#include <vector>

#include "paint/mesh/PolyMesh.h"
#include "plugins/keyform/Md2File.h"

class Md2Mesh {
public:
    // Fills mesh, which must be empty, from md2: one vertex and one normal per
    // file vertex, placed as in the first frame with the bounding box over all
    // frames centred on the origin, then the skin coordinates and every triangle
    // whose corners name vertices the file has. What it returns moves mesh through the frames.
    static Md2Mesh build(const Md2File& md2, PolyMesh& mesh);

    // Moves mesh's vertices and normals to frame, clamped to the frames there
    // are; a fraction blends the two frames around it.
    void showFrame(PolyMesh& mesh, double frame) const;

    // The size of the bounding box over all frames along x, y and z.
    const float* extent() const { return extent_; }

    // The MD2 format's vertex normals, which vertices name by index.
    static const float kNormals[162][3];

private:
    void blendNormal(PolyMesh& mesh, unsigned int vertex, int a, int b, float t) const;

    std::vector<std::vector<float>> positions_;  // x, y, z per vertex and frame, centred
    std::vector<std::vector<uint8_t>> normals_;  // normal table index per vertex and frame
    float extent_[3] = {0.0f, 0.0f, 0.0f};
};
