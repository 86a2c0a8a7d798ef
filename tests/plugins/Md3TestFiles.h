// A small MD3 model written byte by byte: 108 bytes of header, two frames, a tag in each, and two surfaces.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>

#include "plugins/meshform/Md3File.h"
#include "tests/paint/PaintTestSupport.h"

namespace md3test {

using painttest::appendLe;
using painttest::Bytes;

inline void appendName(Bytes& b, const std::string& name, size_t bytes) {
    b.resize(b.size() + bytes);
    std::memcpy(&b[b.size() - bytes], name.data(), std::min(name.size(), bytes));
}

inline uint32_t bits(float value) {
    uint32_t out;
    std::memcpy(&out, &value, sizeof out);
    return out;
}

// One triangle at (0, 0, 2), (1, 0, 2), (0, 1, 2), 1 further along x in frame 1; normals z, x, y; st x / 4, y / 2.
inline Bytes surface(const char* name, const char* shader) {
    const uint32_t shaders = *shader ? 1 : 0, tris = 108 + 68 * shaders, st = tris + 12, xyz = st + 24;
    Bytes b;
    appendLe(b, {Md3File::kMagic}, 4);
    appendName(b, name, 64);
    appendLe(b, {0, 2, shaders, 3, 1, tris, 108, st, xyz, xyz + 48}, 4);
    if (shaders) {
        appendName(b, shader, 64);
        appendLe(b, {7}, 4);
    }
    appendLe(b, {0, 2, 1}, 4);
    appendLe(b, {0, 0, bits(0.25f), 0, 0, bits(0.5f)}, 4);
    for (uint32_t frame = 0; frame < 2; ++frame)
        appendLe(b, {64 * frame, 0, 128, 0x0000, 64 * frame + 64, 0, 128, 0x0040, 64 * frame, 64, 128, 0x4040}, 2);
    return b;
}

// Two frames, a tag and two surfaces, the first naming its texture, the second none.
inline Bytes smallMd3() {
    Bytes b;
    appendLe(b, {Md3File::kMagic, 15}, 4);
    appendName(b, "models/test/small.md3", 64);
    appendLe(b, {0, 2, 1, 2, 0, 108, 220, 444, 896}, 4);  // the surfaces start at 444 and 704
    for (uint32_t frame = 0; frame < 2; ++frame) {
        appendLe(b, {0, 0, bits(2), bits(1), bits(1), bits(2), 0, 0, 0, bits(1.5f)}, 4);
        appendName(b, "frame" + std::to_string(frame), 16);
    }
    for (uint32_t frame = 0; frame < 2; ++frame) {
        appendName(b, "tag_head", 64);
        appendLe(b, {0, 0, bits(frame), bits(1), 0, 0, 0, bits(1), 0, 0, 0, bits(1)}, 4);
    }
    for (const Bytes& s : {surface("a_surf", "models/test/a.tga"), surface("B_Surf", "")})
        b.insert(b.end(), s.begin(), s.end());
    return b;
}

}  // namespace md3test
