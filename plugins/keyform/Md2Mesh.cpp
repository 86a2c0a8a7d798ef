// Building a PolyMesh from a decoded MD2 file, and moving it between frames.
// Nothing here trusts the file beyond what the decoder checked: triangle
// corners are refused by the mesh when they name no vertex, and a normal index
// past the table leaves the face normal in place.
#include "plugins/keyform/Md2Mesh.h"

#include <algorithm>
#include <cmath>

const float Md2Mesh::kNormals[162][3] = {
#include "plugins/keyform/Md2Normals.inc"
};

namespace {

// A negative index becomes one far out of range, which the mesh refuses like any other.
unsigned int meshIndex(int16_t index) {
    return index < 0 ? ~0u : static_cast<unsigned int>(index);
}

}  // namespace

Md2Mesh Md2Mesh::build(const Md2File& md2, PolyMesh& mesh) {
    // The box over every frame: its centre becomes the model's origin, so the
    // framing that fits it fits each frame, however far one reaches or moves.
    float low[3] = {0, 0, 0}, high[3] = {0, 0, 0};
    bool none = true;
    for (const Md2File::Frame& frame : md2.frames)
        for (const Md2File::Vertex& vertex : frame.vertices) {
            for (int k = 0; k < 3; ++k) {
                const float v = vertex.pos[k];
                low[k] = none ? v : std::min(low[k], v);
                high[k] = none ? v : std::max(high[k], v);
            }
            none = false;
        }
    Md2Mesh built;
    float centre[3];
    for (int k = 0; k < 3; ++k) {
        centre[k] = (low[k] + high[k]) / 2.0f;
        built.extent_[k] = high[k] - low[k];
    }
    for (const Md2File::Frame& frame : md2.frames) {
        std::vector<float> positions;
        std::vector<uint8_t> indices;
        for (const Md2File::Vertex& v : frame.vertices) {
            for (int k = 0; k < 3; ++k)
                positions.push_back(v.pos[k] - centre[k]);
            indices.push_back(v.lightnormalindex);
        }
        built.positions_.push_back(std::move(positions));
        built.normals_.push_back(std::move(indices));
    }
    if (built.positions_.empty())
        return built;

    // One mesh vertex and one normal per file vertex, both moved with the frame.
    const std::vector<float>& first = built.positions_.front();
    mesh.reserve(md2.vertices.size(), md2.vertices.size(), md2.texCoords.size(), md2.triangles.size());
    for (size_t i = 0; i < md2.vertices.size(); ++i) {
        mesh.addVertex(first[3 * i], first[3 * i + 1], first[3 * i + 2]);
        mesh.addNormal(0.0f, 0.0f, 0.0f);
        built.blendNormal(mesh, static_cast<unsigned int>(i), 0, 0, 0.0f);
    }
    const float width = static_cast<float>(md2.header.skinwidth);
    const float height = static_cast<float>(md2.header.skinheight);
    for (const Md2File::TexCoord& tc : md2.texCoords)
        mesh.addTexCoord(tc.s / width, 1.0f - tc.t / height);  // t = 0 is the skin's top row
    for (const Md2File::Triangle& tri : md2.triangles) {
        int id =
            mesh.addTriangle(meshIndex(tri.index_xyz[0]), meshIndex(tri.index_xyz[1]), meshIndex(tri.index_xyz[2]));
        if (id < 0)
            continue;  // names a vertex the frame does not have
        for (unsigned int j = 0; j < 3; ++j) {
            mesh.setTexCoord(id, j, meshIndex(tri.index_st[j]));
            // A vertex whose normal index lies outside the table shows the face normal.
            if (md2.vertices[tri.index_xyz[j]].lightnormalindex < 162)
                mesh.setNormal(id, j, meshIndex(tri.index_xyz[j]));
        }
    }
    return built;
}

void Md2Mesh::showFrame(PolyMesh& mesh, double frame) const {
    if (positions_.empty())
        return;
    const int last = static_cast<int>(positions_.size()) - 1;
    const double clamped = std::min(std::max(frame, 0.0), static_cast<double>(last));
    const int a = static_cast<int>(std::floor(clamped));
    const int b = std::min(a + 1, last);
    const float t = static_cast<float>(clamped - a);
    const std::vector<float>& from = positions_[a];
    const std::vector<float>& to = positions_[b];
    for (size_t i = 0; i < from.size() / 3; ++i) {
        float p[3];
        for (int k = 0; k < 3; ++k)
            p[k] = from[3 * i + k] + t * (to[3 * i + k] - from[3 * i + k]);
        mesh.moveVertex(static_cast<unsigned int>(i), p[0], p[1], p[2]);
        blendNormal(mesh, static_cast<unsigned int>(i), a, b, t);
    }
    mesh.updateTriangles();
}

void Md2Mesh::blendNormal(PolyMesh& mesh, unsigned int vertex, int a, int b, float t) const {
    float n[3] = {0, 0, 0};
    const uint8_t ia = normals_[a][vertex], ib = normals_[b][vertex];
    for (int k = 0; k < 3; ++k) {
        if (ia < 162)
            n[k] += (1.0f - t) * kNormals[ia][k];
        if (ib < 162)
            n[k] += t * kNormals[ib][k];
    }
    const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (length > 0.0f)
        mesh.setNormalVector(vertex, n[0] / length, n[1] / length, n[2] / length);
}
