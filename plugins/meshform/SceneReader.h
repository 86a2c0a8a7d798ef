// Which reader a model file goes to: the program's own for the formats
// whose frames or skeletons Assimp drops (MD3, IQM), Assimp for the rest.
#pragma once

#include <string>

#include "plugins/meshform/MeshformScene.h"

class SceneReader {
public:
    // Reads path into into, which must be empty; false with into->problem
    // set (without the file's name) when it cannot.
    static bool read(const std::string& path, MeshformScene* into);
};
