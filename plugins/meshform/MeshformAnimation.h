// The animations a model file holds, baked into keyframes of the whole mesh
// when the model is read: nodes moved by their keys, skins following their
// bones and morph targets blended by their weights, sampled at a fixed rate
// over each animation's own clock. What a hostile file can make this cost is capped.
#pragma once

#include <assimp/scene.h>

#include <cstddef>
#include <vector>

#include "plugins/meshform/MeshformScene.h"

class GltfCurves;

class MeshformAnimation {
public:
    // One mesh where a node places it, transform accumulated from the root.
    struct Placed {
        unsigned int mesh;
        aiMatrix4x4 transform;
        const aiNode* node;
    };

    static constexpr double kFramesPerSecond = 25.0;  // two timer ticks a frame
    static constexpr size_t kMaxFloats = 64 << 20;    // every keyframe's positions and normals together
    static constexpr size_t kMaxFrames = 1 << 16;     // each is a script step too, however few its vertices
    // Arithmetic over all frames (vertices, weights, morph targets, nodes): a small file can ask for a lot.
    static constexpr size_t kMaxWork = size_t(1) << 31;

    // Appends every animation of scene to into->clips and its keyframes to
    // into->frames, each the vertices of placed in order, as into->positions
    // holds them. Animations past the caps are named in into->leftOut. curves, when given, are the
    // file's own stepped and spline samplers, played in place of the importer's linear keys.
    static void bake(const aiScene& scene, const std::vector<Placed>& placed, MeshformScene* into,
                     const GltfCurves* curves = nullptr);
};
