// The MD2 reader on bytes alone: a small file decoded field by field, damaged or unmarked files refused whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <tuple>

#include "plugins/keyform/Md2File.h"
#include "tests/paint/PaintTestSupport.h"

using painttest::appendLe;
using painttest::Bytes;
using painttest::putLe;

namespace {

// Header offsets.
constexpr size_t kIdent = 0, kVersion = 4, kSkinWidth = 8, kFrameSize = 16, kNumSkins = 20, kNumXyz = 24, kNumSt = 28,
                 kNumTris = 32, kNumFrames = 40, kOfsSkins = 44, kOfsSt = 48, kOfsTris = 52, kOfsFrames = 56;

// Written byte by byte: a 32 x 16 skin, two st, one triangle, one frame of three vertices; 68 + 64 + 8 + 12 + 52 bytes.
Bytes smallMd2() {
    Bytes b;
    appendLe(b, {0x32504449, 8, 32, 16, 52, 1, 3, 2, 1, 0, 1, 68, 132, 140, 152, 204, 204}, 4);
    b.resize(132);
    std::fill(b.begin() + 68, b.end(), 'k');  // a skin name filling its record: no terminator
    appendLe(b, {8, 4, 32, 0xfff0}, 2);       // st (8, 4) and (32, -16)
    appendLe(b, {0, 2, 1, 1, 0, 1}, 2);       // vertices 0 2 1, st 1 0 1
    appendLe(b, {0x40000000, 0x3f000000, 0x3f800000, 0xbf800000, 0, 0x41200000, 0, 0, 0, 0}, 4);  // scale 2 0.5 1,
    appendLe(b, {1, 2, 3, 7, 0, 0, 0, 0, 255, 255, 255, 161}, 1);  // translate -1 0 10, blank name, vertices
    return b;
}

TEST(Md2FileDecode, reads_every_section_of_a_good_file) {
    const Bytes bytes = smallMd2();
    Md2File md2;
    ASSERT_EQ(Md2File::kRead, md2.decode(bytes.data(), bytes.size()));
    EXPECT_EQ(32, md2.header.skinwidth);
    EXPECT_EQ(16, md2.header.skinheight);
    EXPECT_EQ(std::vector<std::string>{std::string(64, 'k')}, md2.skins);
    ASSERT_EQ(2u, md2.texCoords.size());
    EXPECT_EQ((std::vector<int>{8, 4, 32, -16}),
              (std::vector<int>{md2.texCoords[0].s, md2.texCoords[0].t, md2.texCoords[1].s, md2.texCoords[1].t}));
    ASSERT_EQ(1u, md2.triangles.size());
    const Md2File::Triangle& tri = md2.triangles[0];
    EXPECT_EQ((std::vector<int>{0, 2, 1, 1, 0, 1}),
              (std::vector<int>{tri.index_xyz[0], tri.index_xyz[1], tri.index_xyz[2], tri.index_st[0], tri.index_st[1],
                                tri.index_st[2]}));
    const float expected[3][4] = {{1, 1, 13, 7}, {-1, 0, 10, 0}, {509, 127.5f, 265, 161}};  // byte * scale + translate
    ASSERT_EQ(3u, md2.vertices.size());
    for (int i = 0; i < 3; ++i) {
        const Md2File::Vertex& v = md2.vertices[i];
        EXPECT_EQ((std::vector<float>(expected[i], expected[i] + 4)),
                  (std::vector<float>{v.pos[0], v.pos[1], v.pos[2], static_cast<float>(v.lightnormalindex)}))
            << "vertex " << i;
    }
}

// Each case's header changes {field, value} and the length it is cut to (0: the whole file), then what is read.
TEST(Md2FileDecode, damaged_and_unmarked_files_are_refused_whole) {
    typedef std::vector<std::pair<size_t, int32_t>> Changes;
    std::vector<std::tuple<Changes, size_t, Md2File::Result>> cases;
    // Negative or huge counts; each section one byte past the end; sections before the file and wrapping when
    // added; frames too small for their vertices; a zero skin width (texture coordinates are divided by it).
    const int64_t corrupt[][2] = {{kNumSkins, -1},   {kNumXyz, -1},    {kNumTris, INT_MIN}, {kNumFrames, -1},
                                  {kNumSt, 65537},   {kOfsSkins, 141}, {kOfsSt, 197},       {kOfsTris, 193},
                                  {kOfsFrames, 153}, {kNumFrames, 2},  {kOfsSt, -1},        {kOfsTris, INT_MAX},
                                  {kFrameSize, 51},  {kNumXyz, 4},     {kSkinWidth, 0}};
    for (const auto& change : corrupt)
        cases.push_back({{{change[0], change[1]}}, 0, Md2File::kCorrupt});
    for (size_t length : {203, 67, 7})  // short files
        cases.push_back({{}, length, Md2File::kCorrupt});
    cases.push_back({{{kIdent, 0x32504448}, {kVersion, 7}}, 0, Md2File::kNotMd2});
    // One mark is enough; an empty section lies nowhere; the first frame is read all the same.
    for (const Changes& read : {Changes{{kVersion, 7}}, Changes{{kIdent, 0x32504448}},
                                Changes{{kNumSkins, 0}, {kOfsSkins, -5}}, Changes{{kNumFrames, 0}}})
        cases.push_back({read, 0, Md2File::kRead});
    const Bytes good = smallMd2();
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        const auto& [changes, length, result] = cases[i];
        Bytes bytes = good;
        for (const auto& change : changes)
            putLe(bytes, change.first, static_cast<uint32_t>(change.second));
        if (length)
            bytes.resize(length);
        Md2File md2;
        ASSERT_EQ(Md2File::kRead, md2.decode(good.data(), good.size()));
        EXPECT_EQ(result, md2.decode(bytes.data(), bytes.size()));
        // Nothing of the earlier read is kept when this one fails.
        const bool read = result == Md2File::kRead;
        EXPECT_EQ(read ? 3u : 0u, md2.vertices.size());
        EXPECT_EQ(read ? 1u : 0u, md2.triangles.size());
        EXPECT_EQ(read ? 32 : 0, md2.header.skinwidth);
        EXPECT_EQ(read ? 1u : 0u, md2.frames.size());
        // The reason names the kind of failure.
        const std::string kind = read ? "" : result == Md2File::kNotMd2 ? "not an MD2 file" : "damaged: ";
        EXPECT_EQ(kind, md2.problem.substr(0, kind.size()));
        EXPECT_EQ(read, md2.problem.empty()) << md2.problem;
    }
    Md2File md2;
    EXPECT_EQ(Md2File::kCorrupt, md2.decode(nullptr, 0));
}

}  // namespace
