// MD2 models from hostile bytes: the decoder, then the mesh built from what it
// kept exactly as the Keyform class builds it at its first draw (table
// normals, the first frame's vertices, skin coordinates scaled by the skin's
// size, triangles naming all three), then every corner read as drawing does.
#include <cstdint>
#include <vector>

#include "paint/mesh/PolyMesh.h"
#include "plugins/keyform/Md2File.h"

namespace {

const float kNormals[162][3] = {
#include "plugins/keyform/Md2Normals.inc"
};

// A negative index becomes one far out of range, which the mesh refuses like any other.
unsigned int meshIndex(int16_t index) {
    return index < 0 ? ~0u : static_cast<unsigned int>(index);
}

void buildMesh(const Md2File& md2, PolyMesh& mesh) {
    for (const float* n : kNormals)
        mesh.addNormal(n[0], n[1], n[2]);
    std::vector<unsigned int> vectorToNormalMap;
    for (const Md2File::Vertex& v : md2.vertices) {
        int index = mesh.addVertex(v.pos[0], v.pos[1], v.pos[2]);
        vectorToNormalMap.resize(static_cast<size_t>(index) + 1);
        vectorToNormalMap[index] = v.lightnormalindex;
    }
    const float width = static_cast<float>(md2.header.skinwidth);
    const float height = static_cast<float>(md2.header.skinheight);
    for (const Md2File::TexCoord& tc : md2.texCoords)
        mesh.addTexCoord(tc.s / width, 1.0f - tc.t / height);
    for (const Md2File::Triangle& tri : md2.triangles) {
        int id =
            mesh.addTriangle(meshIndex(tri.index_xyz[0]), meshIndex(tri.index_xyz[1]), meshIndex(tri.index_xyz[2]));
        if (id < 0)
            continue;
        for (unsigned int j = 0; j < 3; ++j) {
            mesh.setTexCoord(id, j, meshIndex(tri.index_st[j]));
            mesh.setNormal(id, j, vectorToNormalMap[tri.index_xyz[j]]);
        }
    }
}

// What a draw and a paint stroke read of every triangle.
float readMesh(PolyMesh& mesh) {
    float sum = 0.0f;
    for (auto it = mesh.triangleIterator(); it != mesh.triangleIteratorEnd(); ++it) {
        PolyMesh::Triangle* tri = *it;
        float v[3];
        tri->getFaceNormal(v);
        for (unsigned int i = 0; i < 3; ++i) {
            float st[2] = {0.0f, 0.0f};
            tri->getVertexNormal(i, v);
            tri->getVertexTexCoords(i, st);
            tri->getVertexLocation(i, v);
            sum += v[0] + st[0];
        }
        tri->getCenter(v);
        sum += v[0] + tri->getDiameter();
    }
    return sum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Md2File md2;
    if (md2.decode(data, size) != Md2File::MD2_READ)
        return 0;
    PolyMesh mesh;
    buildMesh(md2, mesh);
    volatile float sink = readMesh(mesh);
    (void)sink;
    return 0;
}
