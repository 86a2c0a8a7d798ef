// An MD3 model (Quake 3) as a Meshform scene, read by the program's own reader because Assimp keeps only
// its first frame: every surface with its texture, every frame as a keyframe, and the animations the
// player's animation.cfg lists as clips.
#pragma once

#include <map>
#include <string>

#include "plugins/meshform/Md3File.h"
#include "plugins/meshform/MeshformScene.h"

class Md3Scene {
public:
    // Whether path is a file for this reader rather than for Assimp: by its extension, in any case.
    static bool reads(const std::string& path);
    // Reads path and, beside it, its ".skin" and animation.cfg when they are there; false with
    // scene->problem set when the model itself cannot be read.
    static bool read(const std::string& path, MeshformScene* scene);
    // The scene of a decoded model; skin names the textures of surfaces whose shaders name none.
    static bool fill(const Md3File& md3, const std::map<std::string, std::string>& skin, MeshformScene* scene);
};
