#pragma once

// What a scene must be before Assimp's own processing steps may run on it:
// those steps trust every face and position an importer left, and the
// installed library asserts (aborting the process) or indexes out of bounds
// where one is broken. Checked here instead of by Assimp's validation step,
// which also refuses harmless slips in real files (an animation key one tick
// past the animation's end).
#include <cstddef>
#include <string>

struct aiScene;

class RawSceneCheck {
public:
    // A face with more corners than this is dropped: triangulating one is quadratic in its corners at best.
    static constexpr size_t kMaxCorners = 1024;

    // Drops the faces that name a missing vertex, one that is not a finite
    // point, or too many corners, and says so in dropped (one line per mesh).
    // False, with problem set, when the scene cannot be used at all or would
    // make more than maxTriangles triangles before its nodes place a single mesh.
    static bool repair(aiScene& scene, size_t maxTriangles, std::string* problem, std::string* dropped);
};
