// The MD2 reader on bytes alone: a small file decoded field by field, damaged or unmarked files refused whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <tuple>

#include "plugins/keyform/Md2File.h"
#include "tests/paint/PaintTestSupport.h"

using painttest::appendLe;
using painttest::Bytes;
using painttest::putLe;

namespace {

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

// Each case's header changes {field, value} and the length it is cut to (0: the whole file), then what is read.
TEST(Md2FileDecode, reads_a_good_file_and_refuses_damaged_or_unmarked_ones_whole) {
    typedef std::vector<std::pair<size_t, int32_t>> Changes;
    std::vector<std::tuple<Changes, size_t, Md2File::Result>> cases;
    // Bad counts; sections a byte past the end, before the file or wrapping; frames too small; a zero skin width.
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
    Md2File first;  // the name filling its skin record, the negative t
    ASSERT_EQ(Md2File::kRead, first.decode(good.data(), good.size()));
    EXPECT_EQ(std::vector<std::string>{std::string(64, 'k')}, first.skins);
    EXPECT_EQ(-16, first.texCoords.at(1).t);
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
        EXPECT_EQ(read ? 1u : 0u, md2.frames.size());
        // The reason names the kind of failure.
        const std::string kind = read ? "" : result == Md2File::kNotMd2 ? "not an MD2 file" : "damaged: ";
        EXPECT_EQ(kind, md2.problem.substr(0, kind.size()));
        EXPECT_EQ(read, md2.problem.empty()) << md2.problem;
    }
    EXPECT_EQ(Md2File::kCorrupt, first.decode(nullptr, 0));
}

}  // namespace
