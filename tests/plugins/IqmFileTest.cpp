// The IQM reader on a small skinned model: every frame skinned where its joints take it, damaged files refused whole.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <tuple>

#include "plugins/meshform/IqmFile.h"
#include "plugins/meshform/IqmScene.h"
#include "tests/plugins/Md3TestFiles.h"

using md3test::bits;
using painttest::appendLe;
using painttest::Bytes;
using painttest::putLe;

namespace {

// Where the parts of smallIqm() lie.
constexpr size_t kNumVertexes = 16 + 4 * 8, kNumJoints = 16 + 4 * 13, kOfsFrames = 16 + 4 * 21, kText = 124,
                 kMeshes = 156, kArrays = 180, kTriangles = 280, kJoints = 292, kPoses = 388, kAnims = 564,
                 kFrames = 584, kPositions = 592, kTexCoords = 628, kIndexes = 652, kWeights = 664, kSize = 676;

// (0 0 0), (1 0 0), (2 1 0): the root holds two, its child the third, moved 3 along x and a quarter about z in frame 2.
Bytes smallIqm() {
    Bytes b(16);
    std::memcpy(b.data(), "INTERQUAKEMODEL", 16);
    // version, size, flags, text, meshes, vertex arrays, vertices, triangles, adjacency, joints, poses,
    // animations, frames, channels, frames' offset, bounds, comments, extensions
    appendLe(b, {2,       kSize, 0,      32, kText,  1, kMeshes, 5,       3, kArrays, 1, kTriangles, 0, 2,
                 kJoints, 2,     kPoses, 1,  kAnims, 2, 2,       kFrames, 0, 0,       0, 0,          0},
             4);
    const char text[32] = "\0body\0skin.tga\0root\0arm\0wave";
    b.insert(b.end(), text, text + 32);
    appendLe(b, {1, 6, 0, 3, 0, 1}, 4);                                                   // the mesh
    appendLe(b, {0, 0, 7, 3, kPositions, 1, 0, 7, 2, kTexCoords, 2, 0, 7, 3, kPositions,  // normals: as positions
                 4, 0, 1, 4, kIndexes,   5, 0, 1, 4, kWeights},
             4);
    appendLe(b, {0, 2, 1}, 4);
    appendLe(b, {15, static_cast<uint32_t>(-1), 0, 0, 0, 0, 0, 0, bits(1), bits(1), bits(1), bits(1)}, 4);
    appendLe(b, {20, 0, bits(1), 0, 0, 0, 0, 0, bits(1), bits(1), bits(1), bits(1)}, 4);
    for (uint32_t pose = 0; pose < 2; ++pose) {
        appendLe(b, {pose ? 0 : static_cast<uint32_t>(-1), pose ? 0x21u : 0u}, 4);  // the arm's x and z turn move
        appendLe(b, {pose ? bits(1) : 0, 0, 0, 0, 0, 0, bits(1), bits(1), bits(1), bits(1)}, 4);
        appendLe(b, {pose ? bits(1) : 0, 0, 0, 0, 0, pose ? bits(1) : 0, 0, 0, 0, 0}, 4);
    }
    appendLe(b, {24, 0, 2, bits(15), 1}, 4);
    appendLe(b, {0, 0, 3, 1}, 2);  // frame by frame: x, turn
    appendLe(b, {bits(0), 0, 0, bits(1), 0, 0, bits(2), bits(1), 0}, 4);
    appendLe(b, {0, 0, bits(0.5f), 0, bits(1), bits(0.5f)}, 4);
    appendLe(b, {0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0}, 1);
    return b;
}

TEST(IqmScene, skins_every_frame_and_lists_each_animation_as_a_clip) {
    const Bytes bytes = smallIqm();
    IqmFile iqm;
    ASSERT_EQ(IqmFile::kRead, iqm.decode(bytes.data(), bytes.size())) << iqm.problem;
    MeshformScene scene;
    ASSERT_TRUE(IqmScene::fill(iqm, &scene)) << scene.problem;
    EXPECT_EQ((std::vector<float>{0, 0, 0, 1, 0, 0, 2, 1, 0}), scene.positions);
    EXPECT_EQ((std::vector<float>{0, 1, 0.5f, 1, 1, 0.5f}), scene.texCoords);
    EXPECT_EQ((std::vector<unsigned int>{0, 2, 1}), scene.corners);
    ASSERT_EQ(1u, scene.materials.size());
    EXPECT_EQ("skin.tga", scene.materials[0].file);
    ASSERT_EQ(2u, scene.frames.size());
    const std::vector<float> expected[] = {{0, 0, 0, 1, 0, 0, 2, 1, 0}, {0, 0, 0, 1, 0, 0, 3, 1, 0}};
    for (size_t f = 0; f < 2; ++f)
        for (size_t i = 0; i < 9; ++i)
            EXPECT_NEAR(expected[f][i], scene.frames[f].positions[i], 1e-6) << "frame " << f << " value " << i;
    const float turned[] = {-1, 2, 0};  // (2, 1, 0) turned a quarter, made unit length
    for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(turned[k] / std::sqrt(5.0), scene.frames[1].normals[6 + k], 1e-6) << k;
    ASSERT_EQ(1u, scene.clips.size());
    EXPECT_EQ((std::make_tuple(std::string("wave"), 0, 2, 2, 15.0)),
              std::make_tuple(scene.clips[0].name, scene.clips[0].first, scene.clips[0].count, scene.clips[0].loop,
                              scene.clips[0].fps));
}

TEST(IqmFileDecode, damaged_and_unmarked_files_are_refused_whole_with_their_reason) {
    typedef std::vector<std::pair<size_t, uint32_t>> Changes;
    const std::tuple<Changes, size_t, IqmFile::Result, const char*> cases[] = {
        {{{16, 1}}, 0, IqmFile::kNotIqm, "not an IQM file of version 2"},
        {{{3, 'X'}}, 0, IqmFile::kNotIqm, "not an IQM file"},
        {{}, 123, IqmFile::kCorrupt, "damaged: shorter than a header"},
        {{}, kSize - 1, IqmFile::kCorrupt, "damaged: a vertex array beyond the end of the file"},
        {{{kOfsFrames, kSize - 7}}, 0, IqmFile::kCorrupt, "damaged: sections beyond the end of the file"},
        {{{kNumJoints, 1025}}, 0, IqmFile::kCorrupt, "damaged: sections beyond the end of the file"},
        {{{kNumVertexes, 1000}}, 0, IqmFile::kCorrupt, "damaged: more vertices than the file holds"},
        {{{kTriangles + 4, 3}}, 0, IqmFile::kCorrupt, "damaged: a triangle names a vertex the model does not have"},
        {{{kIndexes + 8, 2}}, 0, IqmFile::kCorrupt, "damaged: a vertex bound to a joint the model does not have"},
        {{{kPositions, 0x7fc00000}}, 0, IqmFile::kCorrupt, "damaged: vertex values that are not numbers"},
        {{{kMeshes + 20, 2}}, 0, IqmFile::kCorrupt, "damaged: a mesh of triangles the model does not have"},
        {{{kJoints + 48 + 4, 1}}, 0, IqmFile::kCorrupt, "damaged: a joint whose parent does not come before it"},
        {{{kJoints + 8, 0x7f800000}}, 0, IqmFile::kCorrupt, "damaged: a joint placed by values that are not numbers"},
        {{{kPoses + 88, 1}}, 0, IqmFile::kCorrupt, "damaged: a pose whose parent does not come before it"},
        {{{kPoses + 136, 0x7f000000}}, 0, IqmFile::kCorrupt, "damaged: a pose moved by values that are not numbers"},
        {{{kPoses + 88 + 4, 0x23}}, 0, IqmFile::kCorrupt, "damaged: frames that do not match the skeleton's poses"},
        {{{kAnims + 8, 3}}, 0, IqmFile::kCorrupt, "damaged: an animation of frames the model does not have"},
        {{{kMeshes + 4, 32}}, 0, IqmFile::kCorrupt, "damaged: a name outside the text"},
        // Arrays in formats the program does not draw are passed over; weights without joints bind nothing.
        {{{kArrays + 20 + 8, 6}}, 0, IqmFile::kRead, ""},
        {{{kArrays + 80, 9}}, 0, IqmFile::kRead, ""},
    };
    const Bytes good = smallIqm();
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        const auto& [changes, length, result, problem] = cases[i];
        Bytes bytes = good;
        for (const auto& change : changes)
            putLe(bytes, change.first, change.second, change.first < 16 ? 1 : 4);
        if (length)
            bytes.resize(length);
        IqmFile iqm;
        ASSERT_EQ(IqmFile::kRead, iqm.decode(good.data(), good.size()));
        EXPECT_EQ(result, iqm.decode(bytes.data(), bytes.size()));
        EXPECT_EQ(problem, iqm.problem);
        EXPECT_EQ(result == IqmFile::kRead ? 3u : 0u, iqm.positions.size() / 3);
        EXPECT_EQ(result == IqmFile::kRead ? 2u : 0u, iqm.frameCount);
    }
}

}  // namespace
