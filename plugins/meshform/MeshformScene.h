// A model file as its reader (SceneReader) leaves it, reduced to what the program draws and
// paints: every mesh placed by its nodes, in one list of corners grouped by
// material, the texture each material shows and the file's up axis. The
// import is bounded (file bytes, vertices, triangles, meshes, materials), so
// a hostile file fails with a reason instead of filling memory.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "paint/mesh/KeyframeMesh.h"

class MeshformScene {
public:
    // The texture a material shows: a file named relative to the model, an
    // embedded picture (its bytes and a format hint like "png"), or none; and its colour.
    struct Texture {
        std::string file;   // as the model names it; empty when embedded or none
        int embedded = -1;  // the embedded picture's number, or -1
        std::string bytes;  // an embedded compressed picture
        std::string hint;   // its format, by extension
        // The material's own colour (base colour, else diffuse), which its triangles show without a texture.
        float colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
        // Whether those triangles are drawn over the others, blended by the colour's alpha.
        bool blended = false;
        // Texels whose alpha is below this are cut away; negative when the texture's alpha counts for nothing.
        float cutoff = -1.0f;
    };

    static constexpr size_t kFileBudget = 256 << 20;  // the model and its companion files together
    static constexpr size_t kMaxVertices = 4 << 20;   // after the nodes place each mesh as often as they name it
    static constexpr size_t kMaxTriangles = 4 << 20;
    static constexpr size_t kMaxMeshes = 1 << 16;
    static constexpr size_t kMaxMaterials = 1 << 12;
    static constexpr size_t kMaxNodes = 1 << 20;

    std::string problem;
    std::string dropped;           // what was left out of a file read all the same, a line per mesh
    std::vector<float> positions;  // x, y, z per vertex, placed by the node hierarchy
    std::vector<float> normals;    // one per vertex, unit length, or 0 0 0 where the file gave none or a useless one
    std::vector<float> texCoords;  // s, t per vertex; 0 0 where its mesh has none
    std::vector<bool> hasTexCoords;
    std::vector<unsigned int> corners;  // three vertex numbers per triangle, grouped by material
    std::vector<int> triangleMaterial;  // per triangle
    std::vector<Texture> materials;     // per material
    // The axis the file calls up (0 x, 1 y, 2 z) and its sign.
    int upAxis = 1;
    int upSign = 1;

    // An animation the file holds, as a run of keyframes: frames[first] to
    // frames[first + count - 1], evenly spaced over the animation and shown
    // at fps frames a second, so that it takes as long as the file says.
    struct Clip {
        std::string name;  // as the file names it; anim1, anim2, ... when it does not
        int first = 0;
        int count = 0;
        int loop = 0;  // how many of its last frames the file says repeat; every clip plays repeating as a whole
        double fps = 10.0;
    };
    // The keyframes clips run through, besides the rest pose that positions
    // and normals hold (a reader may repeat the rest pose as a keyframe): each
    // holds x, y, z per vertex, numbered as positions are, placed by the nodes.
    using Frame = KeyframeMesh::Frame;
    std::vector<Frame> frames;
    std::vector<Clip> clips;
    std::string leftOut;  // the line naming animations the caps left out, or empty
};
