// An IQM model file (Inter-Quake Model, version 2) as Meshform uses it: meshes, the vertex arrays it
// draws and skins with, triangles, the skeleton, its poses, the animations and every frame's channels.
// Needs no OpenGL.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class IqmFile {
public:
    enum Result {
        kRead,     // every section decoded
        kMissing,  // the file cannot be opened
        kNotIqm,   // not marked as one, or another version
        kCorrupt   // counts, offsets or values the bytes cannot hold
    };

    static constexpr size_t kHeaderBytes = 124;
    static constexpr uint32_t kVersion = 2;
    static constexpr size_t kFileLimit = size_t(256) << 20;
    static constexpr uint32_t kMaxJoints = 1024;  // well above any skeleton a game animates
    // Frames whose poses move no channel take no bytes, so the file's size does not bound them.
    static constexpr uint32_t kMaxFrames = 1 << 16;
    static constexpr uint32_t kLoop = 1;  // an animation's flag: it runs on from its start

    struct Mesh {
        std::string name, material;             // material: usually the texture's file name
        uint32_t firstTriangle, triangleCount;  // into triangles
    };
    struct Joint {
        std::string name;
        int32_t parent;                           // an earlier joint, or -1
        float translate[3], rotate[4], scale[3];  // rotate: a unit quaternion, x y z w
    };
    struct Pose {
        int32_t parent;
        uint32_t mask;                // which of the ten channels the frames move
        float offset[10], scale[10];  // translate x y z, rotate x y z w, scale x y z
    };
    struct Anim {
        std::string name;
        uint32_t first, count;  // into the frames
        float rate;             // frames a second
        uint32_t flags;
    };

    // Nothing is kept unless the result is kRead.
    Result decode(const uint8_t* bytes, size_t size);
    Result read(const char* path);

    uint32_t vertexCount = 0;
    std::vector<float> positions;                    // x y z per vertex
    std::vector<float> normals;                      // x y z per vertex; empty when the file has none
    std::vector<float> texCoords;                    // s t per vertex, t = 0 at the picture's top; empty when none
    std::vector<uint16_t> blendIndexes;              // four joints per vertex; empty when the model has no skeleton
    std::vector<float> blendWeights;                 // their four weights, each 0 to 1
    std::vector<std::array<uint32_t, 3>> triangles;  // vertex numbers, each below vertexCount
    std::vector<Mesh> meshes;
    std::vector<Joint> joints;
    std::vector<Pose> poses;  // one per joint when there are frames
    std::vector<Anim> anims;
    uint32_t frameCount = 0;
    std::vector<uint16_t> frames;  // frame by frame, one value per channel that some pose's mask names
    // Why the last read or decode failed: the system's reason for a file that cannot be opened,
    // "not an IQM file" or "damaged: <what>". Empty once read.
    std::string problem;

private:
    Result fail(Result result, const std::string& why);
};
