// The MD3 reader, its skin and animation lists, and the scene Meshform draws from them.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <tuple>

#include "plugins/meshform/Md3AnimationFile.h"
#include "plugins/meshform/Md3File.h"
#include "plugins/meshform/Md3Scene.h"
#include "plugins/meshform/Md3SkinFile.h"
#include "tests/plugins/Md3TestFiles.h"

using md3test::smallMd3;
using painttest::Bytes;
using painttest::putLe;

namespace {

// Where the parts of smallMd3() lie.
constexpr size_t kNumFrames = 76, kNumTags = 80, kNumSurfaces = 84, kOfsFrames = 92, kOfsTags = 96, kOfsSurfaces = 100,
                 kA = 444, kB = 704, kSize = 896;
// Surface header fields, from its start.
constexpr size_t kFrames = 72, kShaders = 76, kVerts = 80, kOfsShaders = 92, kOfsSt = 96, kOfsXyz = 100, kEnd = 104;

TEST(Md3FileDecode, damaged_and_unmarked_files_are_refused_whole_with_their_reason) {
    typedef std::vector<std::pair<size_t, int64_t>> Changes;
    const std::tuple<Changes, size_t, Md3File::Result, const char*> cases[] = {
        {{{kNumFrames, 0}}, 0, Md3File::kCorrupt, "damaged: a count out of range"},
        {{{kNumFrames, 8193}}, 0, Md3File::kCorrupt, "damaged: a count out of range"},
        {{{kNumTags, -1}}, 0, Md3File::kCorrupt, "damaged: a count out of range"},
        {{{kNumSurfaces, 1025}}, 0, Md3File::kCorrupt, "damaged: a count out of range"},
        {{{kOfsFrames, 785}}, 0, Md3File::kCorrupt, "damaged: sections beyond the end of the file"},
        {{{kOfsFrames, -4}}, 0, Md3File::kCorrupt, "damaged: sections beyond the end of the file"},
        {{{kOfsTags, 673}}, 0, Md3File::kCorrupt, "damaged: sections beyond the end of the file"},
        {{{kOfsSurfaces, 789}}, 0, Md3File::kCorrupt, "damaged: a surface beyond the end of the file"},
        {{{kOfsSurfaces, 8}}, 0, Md3File::kCorrupt, "damaged: a surface without its mark where the file places it"},
        {{{kB + kFrames, 1}}, 0, Md3File::kCorrupt, "damaged: a surface with another number of frames than the model"},
        {{{kA + kVerts, -1}}, 0, Md3File::kCorrupt, "damaged: a surface count out of range"},
        {{{kB + kVerts, 5}}, 0, Md3File::kCorrupt, "damaged: surface sections beyond the end of the file"},
        {{{kA + kEnd, 107}}, 0, Md3File::kCorrupt, "damaged: surface sections beyond the end of the file"},
        {{{kB + kEnd, 193}}, 0, Md3File::kCorrupt, "damaged: surface sections beyond the end of the file"},
        {{}, kSize - 1, Md3File::kCorrupt, "damaged: surface sections beyond the end of the file"},
        {{{kA + 176 + 4, 3}}, 0, Md3File::kCorrupt, "damaged: a triangle names a vertex its surface does not have"},
        {{{kB + 108, -1}}, 0, Md3File::kCorrupt, "damaged: a triangle names a vertex its surface does not have"},
        {{{kA + 188, 0x7fc00000}}, 0, Md3File::kCorrupt, "damaged: texture coordinates that are not numbers"},
        {{{kB + 124, 0xff800000}}, 0, Md3File::kCorrupt, "damaged: texture coordinates that are not numbers"},
        // Every section inside the file, but two of them on the same bytes.
        {{{kA + kShaders, 6}, {kA + kOfsShaders, 0}, {kA + kVerts, 28}, {kA + kOfsSt, 0}, {kA + kOfsXyz, 0}},
         0,
         Md3File::kCorrupt,
         "damaged: surfaces overlap"},
        {{}, 107, Md3File::kCorrupt, "damaged: shorter than a header"},
        {{}, 7, Md3File::kCorrupt, "damaged: shorter than a header"},
        {{{0, 0x32504449}, {4, 8}}, 0, Md3File::kNotMd3, "not an MD3 file"},
        // One mark is enough; an empty section lies nowhere; a model may have no surfaces.
        {{{4, 14}}, 0, Md3File::kRead, ""},
        {{{0, 0}}, 0, Md3File::kRead, ""},
        {{{kNumTags, 0}, {kOfsTags, -1}}, 0, Md3File::kRead, ""},
        {{{kNumSurfaces, 0}}, 0, Md3File::kRead, ""},
    };
    const Bytes good = smallMd3();
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        const auto& [changes, length, result, problem] = cases[i];
        Bytes bytes = good;
        for (const auto& change : changes)
            putLe(bytes, change.first, static_cast<uint32_t>(change.second));
        if (length)
            bytes.resize(length);
        Md3File md3;
        ASSERT_EQ(Md3File::kRead, md3.decode(good.data(), good.size()));
        EXPECT_EQ(result, md3.decode(bytes.data(), bytes.size()));
        EXPECT_EQ(problem, md3.problem);
        // Nothing of the earlier read is kept when this one fails.
        EXPECT_EQ(result == Md3File::kRead ? 2u : 0u, md3.frames.size());
        EXPECT_TRUE(result == Md3File::kRead || (md3.surfaces.empty() && md3.tags.empty() && md3.name.empty()));
    }
    Md3File md3;
    EXPECT_EQ(Md3File::kCorrupt, md3.decode(nullptr, 0));
    EXPECT_EQ(Md3File::kMissing, md3.read("/nonexistent/velmora/lower.md3"));
    EXPECT_EQ("No such file or directory", md3.problem);
}

TEST(Md3Scene, holds_every_frame_with_the_skin_and_clips_beside_the_model) {
    ScratchDir dir;
    writeFile(dir.path("lower.md3"), smallMd3());
    writeFile(dir.path("lower_default.skin"), std::string("tag_head,\nb_surf,models/test/b.tga\na_surf,c.tga\n"));
    writeFile(dir.path("animation.cfg"), std::string("sex m\n0 2 2 15 // BOTH_DEATH1\n"));
    MeshformScene scene;
    ASSERT_TRUE(Md3Scene::read(dir.path("lower.md3"), &scene)) << scene.problem;
    const std::vector<float> rest = {0, 0, 2, 1, 0, 2, 0, 1, 2, 0, 0, 2, 1, 0, 2, 0, 1, 2};
    EXPECT_EQ(rest, scene.positions);
    ASSERT_EQ(2u, scene.frames.size());
    EXPECT_EQ(rest, scene.frames[0].positions);
    EXPECT_EQ(scene.normals, scene.frames[0].normals);
    for (size_t i = 0; i < rest.size(); ++i)
        EXPECT_EQ(rest[i] + (i % 3 == 0 ? 1 : 0), scene.frames[1].positions[i]) << i;
    const float normals[] = {0, 0, 1, 1, 0, 0, 0, 1, 0};  // along z, x and y in each surface
    ASSERT_EQ(18u, scene.normals.size());
    for (size_t i = 0; i < 18; ++i)
        EXPECT_NEAR(normals[i % 9], scene.normals[i], 1e-6) << i;
    EXPECT_EQ((std::vector<float>{0, 1, 0.25f, 1, 0, 0.5f, 0, 1, 0.25f, 1, 0, 0.5f}), scene.texCoords);
    EXPECT_EQ((std::vector<unsigned int>{0, 2, 1, 3, 5, 4}), scene.corners);
    EXPECT_EQ((std::vector<int>{0, 1}), scene.triangleMaterial);
    // The model's own name wins over the skin's; the skin names what the model leaves open.
    ASSERT_EQ(2u, scene.materials.size());
    EXPECT_EQ("models/test/a.tga", scene.materials[0].file);
    EXPECT_EQ("models/test/b.tga", scene.materials[1].file);
    EXPECT_EQ(2, scene.upAxis);
    ASSERT_EQ(1u, scene.clips.size());
    EXPECT_EQ("both_death1", scene.clips[0].name);
    EXPECT_EQ(2, scene.clips[0].loop);
}

// The lines of an animation list at their places among the lines of numbers; the others hold nothing.
std::string placed(const std::map<int, std::string>& lines) {
    std::string text = "sex m\nheadoffset 0 0 0\n";
    for (int i = 0; i < 25; ++i)
        text += (lines.count(i) ? lines.at(i) : "0 0 0 0") + "\n";
    return text;
}

TEST(Md3AnimationFile, gives_each_part_the_clips_it_holds) {
    const std::string player = placed({{0, "0 5 0 20 // BOTH_DEATH1"},
                                       {6, "40 10 0 15\t// TORSO_GESTURE"},
                                       {13, "50 8 8 25 // LEGS_WALKCR"},
                                       {14, "58 4 4 25"}});
    const struct {
        const char* model;
        std::string text;
        int frames;
        const char* clips;
    } cases[] = {
        {"models/players/x/lower.md3", player, 100,
         "both_death1 0 5 0 20; legs_walkcr 40 8 8 25; legs_walk 48 4 4 25; "},
        {"UPPER.MD3", player, 100, "both_death1 0 5 0 20; torso_gesture 40 10 0 15; "},
        {"head.md3", player, 100,
         "both_death1 0 5 0 20; torso_gesture 40 10 0 15; legs_walkcr 50 8 8 25; legs_walk 58 4 4 25; "},
        {"lower.md3", player, 51, "both_death1 0 5 0 20; legs_walkcr 40 8 8 25; "},
        {"head.md3", player, 1, ""},
        {"a.md3",
         "// c\n0 2 0 10 // Both_Stand\n1 2\n0 2 3 10\n0 2 0 0\n0.5 2 0 10\n3 2 0 10 x\n5 1 1 7.5 //\n9 2 0 10\n", 10,
         "both_stand 0 2 0 10; torso_gesture 5 1 1 7.5; "},
        {"a.md3", "", 10, ""},
    };
    for (const auto& c : cases) {
        std::string clips;
        for (const MeshformScene::Clip& clip :
             Md3AnimationFile::parse(c.text, c.frames, Md3AnimationFile::partOf(c.model))) {
            std::ostringstream line;
            line << clip.name << " " << clip.first << " " << clip.count << " " << clip.loop << " " << clip.fps << "; ";
            clips += line.str();
        }
        EXPECT_EQ(c.clips, clips) << c.model << " of " << c.frames << " frames:\n" << c.text;
    }
}

TEST(Md3SkinFile, maps_each_surface_to_the_texture_it_names) {
    const struct {
        const char* what;
        const char* text;
        std::map<std::string, std::string> expected;
    } cases[] = {
        {"pairs, one a line",
         "h_head,models/players/sarge/band.tga\nh_visor,models/players/sarge/visor.tga\n",
         {{"h_head", "models/players/sarge/band.tga"}, {"h_visor", "models/players/sarge/visor.tga"}}},
        {"CR LF, spaces and a last line without its end",
         " U_Torso , models/a.tga\r\nl_legs,models/b.tga",
         {{"u_torso", "models/a.tga"}, {"l_legs", "models/b.tga"}}},
        {"tag lines, empty lines and lines of other shapes give nothing",
         "tag_head,\ntag_weapon,\n\nnonsense\n,models/a.tga\nh_head,models/a.tga\n",
         {{"h_head", "models/a.tga"}}},
        {"the first line for a surface counts", "h_head,a.tga\nH_HEAD,b.tga\n", {{"h_head", "a.tga"}}},
        {"nothing", "", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, Md3SkinFile::parse(c.text)) << c.what;
}

}  // namespace
