// An MD3 model file (Quake 3) as Meshform uses it: header, frames, tags and every surface with its
// shaders, triangles, texture coordinates and the vertices of each frame. Needs no OpenGL.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class Md3File {
public:
    enum Result {
        kRead,     // every section decoded
        kMissing,  // the file cannot be opened
        kNotMd3,   // neither the magic nor version 15
        kCorrupt   // counts, offsets or values the bytes cannot hold
    };

    static constexpr int32_t kMagic = 0x33504449;  // "IDP3", also at the start of every surface
    static constexpr int32_t kVersion = 15;
    static constexpr size_t kHeaderBytes = 108;
    static constexpr size_t kFrameBytes = 56;
    static constexpr size_t kTagBytes = 112;
    static constexpr size_t kSurfaceHeaderBytes = 108;
    static constexpr size_t kShaderBytes = 68;
    static constexpr size_t kNameBytes = 64;
    static constexpr size_t kFileLimit = size_t(64) << 20;
    // Far above what the game itself takes (1024 frames, 32 surfaces, 4096 vertices a surface), so that
    // models made for other engines still open.
    static constexpr int32_t kMaxFrames = 8192;
    static constexpr int32_t kMaxTags = 256;
    static constexpr int32_t kMaxSurfaces = 1024;
    static constexpr int32_t kMaxCount = 1 << 17;  // shaders, vertices or triangles of one surface

    struct Frame {
        float mins[3], maxs[3], origin[3];
        float radius;
        std::string name;
    };
    struct Tag {
        std::string name;
        float origin[3];
        float axis[3][3];
    };
    struct Shader {
        std::string name;  // an image or shader path from the game's root, often without its extension
        int32_t index;
    };
    struct Vertex {
        int16_t xyz[3];   // 1/64 units
        uint16_t normal;  // latitude in the high byte, longitude in the low one
    };
    struct Surface {
        std::string name;
        int32_t flags = 0;
        int32_t vertexCount = 0;  // per frame
        std::vector<Shader> shaders;
        std::vector<std::array<int32_t, 3>> triangles;  // each index below vertexCount
        std::vector<std::array<float, 2>> texCoords;    // per vertex; t = 0 is the skin's top row
        std::vector<Vertex> vertices;                   // frame by frame, vertexCount each
    };

    // Nothing is kept unless the result is kRead.
    Result decode(const uint8_t* bytes, size_t size);
    Result read(const char* path);

    static void position(const Vertex& vertex, float out[3]);
    static void normal(const Vertex& vertex, float out[3]);  // unit length

    std::string name;
    int32_t flags = 0;
    std::vector<Frame> frames;  // at least one once read
    std::vector<Tag> tags;      // frame by frame, the same number each
    std::vector<Surface> surfaces;
    // Why the last read or decode failed: the system's reason for a file that cannot be opened,
    // "not an MD3 file" or "damaged: <what>". Empty once read.
    std::string problem;

private:
    // Null when the surface at offset at decodes, else what is wrong with it; *next is where the
    // following one starts, and its sections' bytes are taken from *budget.
    const char* decodeSurface(const uint8_t* bytes, size_t size, int64_t at, Surface* surface, int64_t* next,
                              int64_t* budget) const;
    Result fail(Result result, const std::string& why);
};
