// A model file read through Assimp into a MeshformScene: every mesh placed by
// its nodes, its materials' textures, its up axis and its animations baked
// into keyframes. The import is bounded (file bytes, vertices, triangles,
// meshes, materials, nodes), so a hostile file fails with a reason instead of
// filling memory.
#pragma once

#include <string>

#include "plugins/meshform/MeshformScene.h"

class AssimpScene {
public:
    // Imports path into into, which must be empty; false with into->problem
    // set (without the file's name) when it cannot.
    static bool read(const std::string& path, MeshformScene* into);
};
