// An MD2 model file as the Keyform class uses it: header, skin names, texture
// coordinates, triangles and every frame's name and vertices. Needs no OpenGL.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class Md2File {
public:
    enum Result {
        kRead,     // every section decoded
        kMissing,  // the file cannot be opened
        kNotMd2,   // neither the magic nor version 8
        kCorrupt   // counts, offsets or sizes the bytes cannot hold
    };

    static constexpr int32_t kMagic = 0x32504449;  // "IDP2"
    static constexpr int32_t kVersion = 8;
    static constexpr size_t kHeaderBytes = 68;
    static constexpr size_t kSkinNameBytes = 64;
    static constexpr size_t kFrameHeadBytes = 40;  // scale, translate, name
    static constexpr int32_t kMaxCount = 65536;

    struct Header {
        int32_t ident, version;
        int32_t skinwidth, skinheight;
        int32_t framesize;
        int32_t num_skins, num_xyz, num_st, num_tris, num_glcmds, num_frames;
        int32_t ofs_skins, ofs_st, ofs_tris, ofs_frames, ofs_glcmds, ofs_end;
    };
    struct TexCoord {
        int16_t s, t;  // skin pixels
    };
    struct Triangle {
        int16_t index_xyz[3];
        int16_t index_st[3];
    };
    struct Vertex {
        float pos[3];  // unpacked: byte * scale + translate
        uint8_t lightnormalindex;
    };
    struct Frame {
        std::string name;  // e.g. "stand01"
        std::vector<Vertex> vertices;
    };

    // Nothing is kept unless the result is kRead.
    Result decode(const uint8_t* bytes, size_t size);
    Result read(const char* path);

    Header header = {};
    std::vector<std::string> skins;
    std::vector<TexCoord> texCoords;
    std::vector<Triangle> triangles;
    std::vector<Vertex> vertices;  // the first frame's
    std::vector<Frame> frames;     // at least one once read; the first holds the same vertices
    // Why the last read or decode failed: the system's reason for a file that
    // cannot be opened, "not an MD2 file" or "damaged: <what>". Empty once read.
    std::string problem;

private:
    static bool sectionFits(int32_t offset, int64_t count, int64_t recordSize, size_t fileSize);
    // Null when the header describes sections the file holds, else what is wrong.
    static const char* implausibility(const Header& h, size_t fileSize);
    static Frame decodeFrame(const uint8_t* frame, int32_t numXyz);
    Result fail(Result result, const std::string& why);
};
