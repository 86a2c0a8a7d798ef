// MD2 models from hostile bytes: decoded, built into a mesh by the plug-in's
// own builder, moved halfway between the last two frames, and every corner
// read as drawing and painting read it.
#include <cstdint>

#include "paint/mesh/PolyMesh.h"
#include "plugins/keyform/Md2File.h"
#include "plugins/keyform/Md2Mesh.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Md2File md2;
    if (md2.decode(data, size) != Md2File::kRead)
        return 0;
    PolyMesh mesh;
    Md2Mesh::build(md2, mesh).showFrame(mesh, static_cast<double>(md2.frames.size()) - 1.5);
    volatile float sink = 0.0f;
    for (auto it = mesh.triangleIterator(); it != mesh.triangleIteratorEnd(); ++it)
        for (unsigned int i = 0; i < 3; ++i) {
            float v[3], st[2] = {0.0f, 0.0f};
            (*it)->getVertexNormal(i, v);
            (*it)->getVertexTexCoords(i, st);
            (*it)->getVertexLocation(i, v);
            sink = sink + v[0] + st[0] + (*it)->getDiameter();
        }
    return 0;
}
