// An IQM model as a Meshform scene, read by the program's own reader because Assimp keeps its mesh but
// drops its skeleton: each animation's frames are skinned here, on the processor, into keyframes, and
// the animations become clips over them.
#pragma once

#include <string>

#include "plugins/meshform/IqmFile.h"
#include "plugins/meshform/MeshformScene.h"

class IqmScene {
public:
    static constexpr size_t kMaxBakedVertices = size_t(1) << 23;  // vertices and joints, times frames

    // Whether path is a file for this reader rather than for Assimp: by its extension, in any case.
    static bool reads(const std::string& path);
    // False with scene->problem set when the model cannot be read.
    static bool read(const std::string& path, MeshformScene* scene);
    static bool fill(const IqmFile& iqm, MeshformScene* scene);
};
