// The Assimp model plug-in over small files each case writes and files as packages ship them; its texture search,
// its IQM reader, and its MD3 reader with its skin and animation lists.
#include <sys/stat.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>
#include <regex>
#include <sstream>
#include <tuple>

#include "paint/brush/BrushModel.h"
#include "plugins/meshform/GltfImageSplice.h"
#include "plugins/meshform/IqmFile.h"
#include "plugins/meshform/IqmScene.h"
#include "plugins/meshform/Md3AnimationFile.h"
#include "plugins/meshform/Md3File.h"
#include "plugins/meshform/Md3Scene.h"
#include "plugins/meshform/Md3SkinFile.h"
#include "plugins/meshform/TextureSearch.h"
#include "tests/SameBytes.h"

#include "tests/plugins/Md3TestFiles.h"
#include "tests/plugins/PluginTestSupport.h"

using md3test::bits;
using md3test::smallMd3;
using namespace plugintest;

namespace {

// A parameterised case's name: its file, with what a test name cannot hold made '_'.
template <class Row>
std::string fileNameOf(const testing::TestParamInfo<Row>& row) {
    std::string name = row.param.file;
    for (char& c : name)
        c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
}

std::string floats(std::initializer_list<float> values) {
    std::string bytes;
    for (float v : values)
        bytes.append(reinterpret_cast<const char*>(&v), sizeof v);
    return bytes;
}

// A 2 x 1 quad in the xy plane whose texture coordinates are its corners' x / 2 and y, in a material of the map given.
void quadObj(const std::string& name, const std::string& map) {
    writeFile(name + ".obj", "mtllib " + name +
                                 ".mtl\nv 0 0 0\nv 2 0 0\nv 2 1 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n" +
                                 "usemtl skin\nf 1/1 2/2 3/3 4/4\n");
    writeFile(name + ".mtl", "newmtl skin\nKd 1 1 1\nmap_Kd " + map + "\n");
}

// Its material names the BMP by a folder and a case the file does not have.
void texturedObj() {
    quadObj("quad", "textures\\QUAD.bmp");
    writeFile("quad.bmp", makeBmp(8, 8, 40));
}

// Its texture is a compressed DDS file, which a save must not flatten.
void ddsObj() {
    quadObj("dds", "dds.dds");
    writeFile("grey.bmp", makeBmp(8, 8, 40));
    ASSERT_EQ(0, std::system((kConvert + " grey.bmp -define dds:compression=dxt1 dds.dds").c_str()));
}

// A glTF file whose buffer holds each accessor's bytes in a view of its own; json adds what the file says.
struct Accessor {
    std::string bytes;
    const char* type;
    int component;  // 5126 float, 5121 unsigned byte
    int count;
    const char* bounds;  // ,"min":...,"max":... where glTF wants them
};
void writeGltf(const char* file, const std::vector<Accessor>& accessors, const std::string& json) {
    std::string buffer, views, list;
    for (const Accessor& a : accessors) {
        const size_t at = buffer.size();
        buffer += a.bytes;
        views += std::string(views.empty() ? "" : ",") + R"({"buffer":0,"byteOffset":)" + std::to_string(at) +
                 R"(,"byteLength":)" + std::to_string(a.bytes.size()) + "}";
        list += std::string(list.empty() ? "" : ",") + R"({"bufferView":)" + std::to_string(&a - &accessors[0]) +
                R"(,"componentType":)" + std::to_string(a.component) + R"(,"count":)" + std::to_string(a.count) +
                R"(,"type":")" + a.type + "\"" + a.bounds + "}";
    }
    writeFile(std::string(file),
              R"({"asset":{"version":"2.0"},"scene":0,"buffers":[{"byteLength":)" + std::to_string(buffer.size()) +
                  R"(,"uri":"data:application/octet-stream;base64,)" + GltfImageSplice::base64(buffer) +
                  R"("}],"bufferViews":[)" + views + R"(],"accessors":[)" + list + "]," + json + "}");
}

// A binary glTF triangle whose PNG, of a length no multiple of 4, comes before data that must stay aligned.
void pictureFirstGlb() {
    writeFile("grey.bmp", makeBmp(16, 16, 90));
    ASSERT_EQ(0, std::system((kConvert + " grey.bmp grey.png").c_str()));
    std::string bin = readFile("grey.png");
    const size_t picture = bin.size();
    bin.append((4 - picture % 4) % 4 + 4, '\0');
    const size_t geometry = bin.size();
    bin += floats({0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 1});
    std::string json = R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],"nodes":[{"mesh":0}],
"meshes":[{"primitives":[{"attributes":{"POSITION":0,"TEXCOORD_0":1},"material":0}]}],
"materials":[{"pbrMetallicRoughness":{"baseColorTexture":{"index":0}}}],
"textures":[{"source":0}],"images":[{"bufferView":0,"mimeType":"image/png"}],"buffers":[{"byteLength":)" +
                       std::to_string(bin.size()) + R"(}],
"bufferViews":[{"buffer":0,"byteLength":)" +
                       std::to_string(picture) + R"(},{"buffer":0,"byteOffset":)" + std::to_string(geometry) +
                       R"(,"byteLength":36},{"buffer":0,"byteOffset":)" + std::to_string(geometry + 36) +
                       R"(,"byteLength":24}],
"accessors":[{"bufferView":1,"componentType":5126,"count":3,"type":"VEC3","min":[0,0,0],"max":[1,2,0]},
{"bufferView":2,"componentType":5126,"count":3,"type":"VEC2"}]})";
    json.append((4 - json.size() % 4) % 4, ' ');
    Bytes glb;
    appendLe(glb,
             {0x46546c67, 2, static_cast<uint32_t>(28 + json.size() + bin.size()), static_cast<uint32_t>(json.size()),
              0x4e4f534a},
             4);
    glb.insert(glb.end(), json.begin(), json.end());
    appendLe(glb, {static_cast<uint32_t>(bin.size()), 0x004e4942}, 4);
    glb.insert(glb.end(), bin.begin(), bin.end());
    writeFile("scene.glb", glb);
}

// One untextured triangle (0 0 0, 1 0 0, 0 1 0) in a glTF material of linear grey 0.5 and the alpha and mode given.
std::function<void()> greyGltf(const char* file, const char* alpha, const char* mode) {
    return [=] {
        writeGltf(file, {{floats({0, 0, 0, 1, 0, 0, 0, 1, 0}), "VEC3", 5126, 3, R"(,"min":[0,0,0],"max":[1,1,0])"}},
                  std::string(R"("scenes":[{"nodes":[0]}],"nodes":[{"mesh":0}],
"meshes":[{"primitives":[{"attributes":{"POSITION":0},"material":0}]}],
"materials":[{"pbrMetallicRoughness":{"baseColorFactor":[0.5,0.5,0.5,)") +
                      alpha + R"(]},"alphaMode":")" + mode + R"("}])");
    };
}

// The same triangle textured by its x and y in the material given, its texture 0 a grey picture of alpha 100.
std::function<void()> texturedGltf(const char* file, std::string material) {
    return [=] {
        ASSERT_EQ(0, std::system((kConvert + " -size 8x8 xc:'rgba(128,128,128,0.392)' PNG32:alpha.png").c_str()));
        writeGltf(file,
                  {{floats({0, 0, 0, 1, 0, 0, 0, 1, 0}), "VEC3", 5126, 3, R"(,"min":[0,0,0],"max":[1,1,0])"},
                   {floats({0, 0, 1, 0, 0, 1}), "VEC2", 5126, 3, ""}},
                  std::string(R"("scenes":[{"nodes":[0]}],"nodes":[{"mesh":0}],
"meshes":[{"primitives":[{"attributes":{"POSITION":0,"TEXCOORD_0":1},"material":0}]}],
"materials":[)") + material +
                      R"(],"textures":[{"source":0}],"images":[{"uri":"data:image/png;base64,)" +
                      GltfImageSplice::base64(readFile("alpha.png")) + "\"}]");
    };
}

// In a MASK material of the cutoff given.
std::function<void()> cutoutGltf(const char* file, const char* cutoff) {
    return texturedGltf(file, std::string(R"({"pbrMetallicRoughness":{"baseColorTexture":{"index":0}},)") +
                                  R"("alphaMode":"MASK","alphaCutoff":)" + cutoff + "}");
}

// Its second face names a point that is not a number: that face is left out, the rest of the mesh stays.
void objWithNan() {
    writeFile(std::string("nan.obj"), std::string("v 0 0 0\nv 4 0 0\nv 0 0 1\nv nan 0 0\nf 1 2 3\nf 1 2 4\n"));
}

// A black surface whose only picture is the one it gives off.
void glowGltf() {
    texturedGltf("glow.gltf",
                 R"({"pbrMetallicRoughness":{"baseColorFactor":[0,0,0,1]},"emissiveTexture":{"index":0}})")();
}

// A Quake 3 model whose second surface takes its texture from the skin beside it: the same picture.
void skinnedMd3() {
    writeFile("lower.md3", smallMd3());
    writeFile(std::string("lower_default.skin"), std::string("b_surf,models/test/a.tga\n"));
    writeFile("a.bmp", makeBmp(8, 8, 40));
}

struct Case {
    const char* file;
    std::function<void()> write;
    size_t triangles;
    double rotationX, scale;  // the model's own upright turn about x, its scale
    float st[4];              // s = (x + st[1]) * st[0] and t = (y + st[3]) * st[2] on the textured surface
    const char* saving;       // what saving the first skin prints; null without skins
    int shade = -1;           // the red drawn, fully lit, on black at a point of the first triangle
    friend void PrintTo(const Case& row, std::ostream* out) { *out << row.file; }
};

// What saving an embedded picture prints, before the model file's name.
const char* const kEmbedded = "saving embedded texture 0 into ";

const Case kCases[] = {
    {"quad.obj", texturedObj, 2, 0, 2, {0.5f, 1, 1, 0.5f}, "saving image: quad.bmp\n"},
    {"dds.obj", ddsObj, 2, 0, 2, {0.5f, 1, 1, 0.5f}, "saving image: dds.png (beside the DDS it was read from)\n"},
    {"lower.md3", skinnedMd3, 2, -90, 2, {0.25f, 1, -0.5f, -1.5f}, "saving image: a.bmp\n"},
    {"nan.obj", objWithNan, 1, 0, 1, {}, nullptr},
    // Linear 0.5 is 188 on the display; a masked triangle under its cutoff is cut away, a blended one half shows.
    {"linear.gltf", greyGltf("linear.gltf", "1", "OPAQUE"), 1, 0, 4, {}, nullptr, 188},
    {"mask.gltf", greyGltf("mask.gltf", "0.4", "MASK"), 1, 0, 4, {}, nullptr, 0},
    {"blend.gltf", greyGltf("blend.gltf", "0.5", "BLEND"), 1, 0, 4, {}, nullptr, 94},
    // Texels of alpha 100 are cut by a cutoff of 0.5 and kept by one of 0.3.
    {"cut.gltf", cutoutGltf("cut.gltf", "0.5"), 1, 0, 4, {1, 0.5f, -1, -0.5f}, kEmbedded, 0},
    {"kept.gltf", cutoutGltf("kept.gltf", "0.3"), 1, 0, 4, {1, 0.5f, -1, -0.5f}, kEmbedded, 128},
    {"glow.gltf", glowGltf, 1, 0, 4, {1, 0.5f, -1, -0.5f}, kEmbedded, 128},
};

// The red model draws at a point 3/8 of the way across the view, lit head-on by one white light and nothing else.
int drawnShade(PaintableModel* model) {
    const int size = 64;
    glViewport(0, 0, size, size);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-4, 4, -4, 4, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const GLfloat none[4] = {0, 0, 0, 1};  // light 0 as GL sets it up: white, from ahead, no ambient part
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, none);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    model->draw();
    // See-through triangles leave blending off and depth writes on behind them, as every other drawing expects.
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_TRUE(depthWrites && !glIsEnabled(GL_BLEND));
    unsigned char rgba[4] = {0, 0, 0, 0};
    glReadPixels(3 * size / 8, 3 * size / 8, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    glDisable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
    return rgba[0];
}

class Meshform : public PluginModelTest, public testing::WithParamInterface<Case> {};

TEST_P(Meshform, reads_the_mesh_and_its_skins) {
    const Case& c = GetParam();
    c.write();
    std::unique_ptr<PaintableModel> model = create("Meshform", c.file);
    ASSERT_TRUE(model) << takeModelCreationFailure();
    const std::string printed = draw(model.get());
    ASSERT_EQ(c.triangles, meshCounts(model.get())[1]);
    if (c.shade >= 0) {
        EXPECT_NEAR(c.shade, drawnShade(model.get()), 1);
    }
    const GLuint skin = model->getTriangle(0)->getTexture();
    EXPECT_EQ(c.saving ? "skins: <1>\n" : "skins: <>\n", printed);
    EXPECT_NEAR(c.scale, model->getAttribute("scale"), 1e-9);
    const double* upright = model->uprightTurn();
    EXPECT_EQ(c.rotationX, upright ? upright[0] : 0.0);
    EXPECT_EQ(0.0, upright ? upright[2] : 0.0);
    // Each textured corner keeps its coordinates from the file, the centre of the bounding box now the origin.
    for (unsigned int t = 0; skin && t < c.triangles; ++t)
        for (unsigned int k = 0; k < 3; ++k) {
            float at[3], coords[2];
            model->getTriangle(t)->getVertexLocation(k, at);
            model->getTriangle(t)->getVertexTexCoords(k, coords);
            EXPECT_NEAR((at[0] + c.st[1]) * c.st[0], coords[0], 1e-6) << "triangle " << t << " corner " << k;
            EXPECT_NEAR((at[1] + c.st[3]) * c.st[2], coords[1], 1e-6) << "triangle " << t << " corner " << k;
        }
    // The brush at the centre paints the skin, and leaves an untextured model alone, saying so once.
    ASSERT_EQ(0, model->setAttribute("scale", 1.0));
    const Bytes before = skin ? texturePixels(skin) : Bytes();
    BrushModel brush("brush");
    brush.setAttribute("z", 0.0);
    testing::internal::CaptureStdout();
    model->paintModel(&brush);
    model->paintModel(&brush);
    EXPECT_EQ(skin ? "" : std::string(c.file) + ": triangles without a texture take no paint\n",
              testing::internal::GetCapturedStdout());
    draw(model.get());
    EXPECT_EQ(skin != 0, skin && before != texturePixels(skin));
    const std::vector<std::unique_ptr<Image>> skins = model->copySkins();
    ASSERT_EQ(c.saving ? 1u : 0u, skins.size());
    if (!c.saving)
        return;
    testing::internal::CaptureStdout();
    const int wrote = skins[0]->save();
    EXPECT_EQ(c.saving + std::string(c.saving == kEmbedded ? c.file + std::string("\n") : ""),
              testing::internal::GetCapturedStdout());
    EXPECT_NE(0, wrote);
}

INSTANTIATE_TEST_SUITE_P(Files, Meshform, testing::ValuesIn(kCases), fileNameOf<Case>);

TEST_F(PluginModelTest, meshform_refuses_what_it_cannot_read_in_one_line) {
    ASSERT_EQ(0, mkfifo("pipe.obj", 0600));
    const struct {
        const char* file;
        std::string bytes;   // written unless empty
        const char* reason;  // a pattern
    } cases[] = {
        // A binary glTF whose header promises 4096 bytes.
        {"cut.glb", std::string("glTF\2\0\0\0\0\x10\0\0", 12) + std::string(48, ' '), ".+"},
        {"pipe.obj", "", "pipe.obj: not a regular file"},
        {"absent.fbx", "", ".+"},
        {"endless.ply", "ply\nformat ascii 1.0\nelement vertex 3\n", ".+ end_header .+"},
        {"twice.ply", "ply\nformat ascii 1.0\nelement vertex 1\nelement vertex 1\nend_header\n1\n2\n",
         "a PLY header declaring its 'vertex' element twice"},
        {"unbound.gltf", R"({"asset":{"version":"2.0"},"nodes":[{"skin":0},{}],"skins":[{"joints":[1]}]})",
         "a glTF skin without inverse bind matrices, which Assimp cannot read"},
    };
    for (const auto& c : cases) {
        if (!c.bytes.empty())
            writeFile(std::string(c.file), c.bytes);
        takeModelCreationFailure();
        EXPECT_FALSE(create("Meshform", c.file)) << c.file;
        const std::string failure = takeModelCreationFailure();
        EXPECT_TRUE(std::regex_match(failure,
                                     std::regex("cannot read model '" + std::string(c.file) + "': " + c.reason + "\n")))
            << failure;
    }
}

// Every file is one triangle (0 0 0, 1 0 0, 0 1 0) with keys at 0, 1 and 2 seconds.
const Accessor kCorners{floats({0, 0, 0, 1, 0, 0, 0, 1, 0}), "VEC3", 5126, 3, R"(,"min":[0,0,0],"max":[1,1,0])"};
const Accessor kTimes{floats({0, 1, 2}), "SCALAR", 5126, 3, R"(,"min":[0],"max":[2])"};

// Its node goes 2 along x and back in "slide", and half a second up y in an unnamed animation.
void slidingGltf() {
    writeGltf("slide.gltf",
              {kCorners,
               kTimes,
               {floats({0, 0, 0, 2, 0, 0, 0, 0, 0}), "VEC3", 5126, 3, ""},
               {floats({0, 0.5f}), "SCALAR", 5126, 2, R"(,"min":[0],"max":[0.5])"},
               {floats({0, 0, 0, 0, 1, 0}), "VEC3", 5126, 2, ""}},
              R"("scenes":[{"nodes":[0]}],"nodes":[{"mesh":0}],
"meshes":[{"primitives":[{"attributes":{"POSITION":0}}]}],
"animations":[{"name":"slide","channels":[{"sampler":0,"target":{"node":0,"path":"translation"}}],
"samplers":[{"input":1,"output":2}]},{"channels":[{"sampler":0,"target":{"node":0,"path":"translation"}}],
"samplers":[{"input":3,"output":4}]}])");
}

// Corner 0 on joint a, 1 on b, 2 on both; "bend" lifts a 3 along y and back (Assimp 5.2 needs inverse binds).
void skinnedGltf() {
    writeGltf(
        "skin.gltf",
        {kCorners,
         kTimes,
         {floats({0, 0, 0, 0, 3, 0, 0, 0, 0}), "VEC3", 5126, 3, ""},
         {std::string("\0\0\0\0\1\0\0\0\0\1\0\0", 12), "VEC4", 5121, 3, ""},
         {floats({1, 0, 0, 0, 1, 0, 0, 0, 0.5f, 0.5f, 0, 0}), "VEC4", 5126, 3, ""},
         {floats({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}),
          "MAT4", 5126, 2, ""}},
        R"("scenes":[{"nodes":[0,1,2]}],"nodes":[{"mesh":0,"skin":0},{"name":"a"},{"name":"b"}],
"skins":[{"joints":[1,2],"inverseBindMatrices":5}],
"meshes":[{"primitives":[{"attributes":{"POSITION":0,"JOINTS_0":3,"WEIGHTS_0":4}}]}],
"animations":[{"name":"bend","channels":[{"sampler":0,"target":{"node":1,"path":"translation"}}],
"samplers":[{"input":1,"output":2}]}])");
}

// One morph target moves corner 2 by 4 along z; "swell" weighs it 0, 1, 0, each weight held until the next key.
void morphingGltf() {
    writeGltf("morph.gltf",
              {kCorners,
               kTimes,
               {floats({0, 1, 0}), "SCALAR", 5126, 3, ""},
               {floats({0, 0, 0, 0, 0, 0, 0, 0, 4}), "VEC3", 5126, 3, R"(,"min":[0,0,0],"max":[0,0,4])"}},
              R"("scenes":[{"nodes":[0]}],"nodes":[{"mesh":0,"name":"m"}],
"meshes":[{"primitives":[{"attributes":{"POSITION":0},"targets":[{"POSITION":3}]}],"weights":[0]}],
"animations":[{"name":"swell","channels":[{"sampler":0,"target":{"node":0,"path":"weights"}}],
"samplers":[{"input":1,"output":2,"interpolation":"STEP"}]}])");
}

// Its named node goes through the keys given, in the animation and interpolation named.
std::function<void()> movingGltf(const char* file, const char* animation, Accessor keys, const char* interpolation) {
    return [=] {
        writeGltf(file, {kCorners, kTimes, keys},
                  std::string(R"("scenes":[{"nodes":[0]}],"nodes":[{"mesh":0,"name":"n"}],
"meshes":[{"primitives":[{"attributes":{"POSITION":0}}]}],"animations":[{"name":")") +
                      animation +
                      R"(","channels":[{"sampler":0,"target":{"node":0,"path":"translation"}}],
"samplers":[{"input":1,"output":2,"interpolation":")" +
                      interpolation + R"("}]}])");
    };
}

// Its node, a child of one turned a quarter about z, goes 2 along its own x and back in "walk": along y outside.
void turnedGltf() {
    writeGltf("turn.gltf", {kCorners, kTimes, {floats({0, 0, 0, 2, 0, 0, 0, 0, 0}), "VEC3", 5126, 3, ""}},
              R"("scenes":[{"nodes":[0]}],"nodes":[{"rotation":[0,0,0.70710678,0.70710678],"children":[1]},
{"mesh":0,"name":"n"}],"meshes":[{"primitives":[{"attributes":{"POSITION":0}}]}],
"animations":[{"name":"walk","channels":[{"sampler":0,"target":{"node":1,"path":"translation"}}],
"samplers":[{"input":1,"output":2}]}])");
}

// "name:steps" for each script, in name order.
std::string scriptsOf(PaintableModel* model) {
    std::string listed;
    for (const auto& [name, frames] : scriptSteps(model))
        listed += (listed.empty() ? "" : " ") + name + ":" + std::to_string(frames.size());
    return listed;
}

struct Animated {
    const char* file;
    std::function<void()> write;
    const char* scripts;  // as scriptsOf lists them
    double frame;         // keyframe n is (n - 1) / 25 seconds in
    float moved[3][3];    // how far each corner has moved from the rest pose there
    friend void PrintTo(const Animated& row, std::ostream* out) { *out << row.file; }
};

const Animated kAnimated[] = {
    {"slide.gltf", slidingGltf, "anim1:14 slide:51", 26, {{2, 0, 0}, {2, 0, 0}, {2, 0, 0}}},
    {"skin.gltf", skinnedGltf, "bend:51", 26, {{0, 3, 0}, {0, 0, 0}, {0, 1.5f, 0}}},
    // 1.48 s in, a step still holds the key of 1 s, where a line would have come back nearly halfway.
    {"morph.gltf", morphingGltf, "swell:51", 38, {{0, 0, 0}, {0, 0, 0}, {0, 0, 4}}},
    // Its node holds each key's place along x (0, 2, 0).
    {"step.gltf",
     movingGltf("step.gltf", "hold", {floats({0, 0, 0, 2, 0, 0, 0, 0, 0}), "VEC3", 5126, 3, ""}, "STEP"),
     "hold:51",
     38,
     {{2, 0, 0}, {2, 0, 0}, {2, 0, 0}}},
    {"turn.gltf", turnedGltf, "walk:51", 26, {{0, 2, 0}, {0, 2, 0}, {0, 2, 0}}},
    // From 0 leaving along y at 3 a second to (2, 0, 0) arriving along z at -6 a second, then back to 0. 0.48 s in,
    // the values weigh 2s^3 - 3s^2 + 1 and 3s^2 - 2s^3, the tangents s^3 - 2s^2 + s and s^3 - s^2.
    {"spline.gltf",
     movingGltf("spline.gltf", "curve",
                {floats({0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, -6, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}), "VEC3",
                 5126, 9, ""},
                "CUBICSPLINE"),
     "curve:51",
     13,
     {{0.940032f, 0.389376f, 0.718848f}, {0.940032f, 0.389376f, 0.718848f}, {0.940032f, 0.389376f, 0.718848f}}},
};

class MeshformAnimated : public PluginModelTest, public testing::WithParamInterface<Animated> {};

TEST_P(MeshformAnimated, plays_each_animation_as_a_repeating_script_and_paints_the_pose_shown) {
    const Animated& a = GetParam();
    a.write();
    std::unique_ptr<PaintableModel> model = create("Meshform", a.file);
    ASSERT_TRUE(model) << takeModelCreationFailure();
    EXPECT_EQ(a.scripts, scriptsOf(model.get()));
    float rest[3][3];
    for (unsigned int v = 0; v < 3; ++v)
        model->getVertex(v)->getLocation(rest[v]);
    // Painting, like drawing, first moves the mesh to the frame shown; this brush is far from the model.
    ASSERT_EQ(0, model->setAttribute("frame", a.frame));
    BrushModel brush("brush");
    brush.setAttribute("z", 100.0);
    model->paintModel(&brush);
    for (unsigned int v = 0; v < 3; ++v) {
        float at[3];
        model->getVertex(v)->getLocation(at);
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(a.moved[v][k], at[k] - rest[v][k], 1e-4) << "corner " << v << " axis " << k;
    }
}

INSTANTIATE_TEST_SUITE_P(Files, MeshformAnimated, testing::ValuesIn(kAnimated), fileNameOf<Animated>);

// Model files as their packages ship them, from the cache scripts/fetch-models.sh fills; absent ones are skipped.
struct Shipped {
    const char* file;
    size_t triangles;  // with area: those without are left out
    int skins;         // distinct textures found beside the file or inside it
    double rotationX;  // of the upright turn: -90 when the file's z is its up
    size_t scripts;    // one per animation
    const char* script;
    size_t frames;  // its keyframes
    bool moves;     // some keys stand still
    friend void PrintTo(const Shipped& row, std::ostream* out) { *out << row.file; }
};

class MeshformShipped : public PluginModelTest, public testing::WithParamInterface<Shipped> {};

TEST_P(MeshformShipped, shows_every_mesh_with_the_textures_it_names) {
    const std::string file = cacheFolder("VELMORA_MESH_CACHE", "meshes") + "/" + GetParam().file;
    if (!std::filesystem::exists(file))
        GTEST_SKIP() << "no " << file << "; scripts/fetch-models.sh fetches it";
    std::unique_ptr<PaintableModel> model = create("Meshform", file.c_str());
    ASSERT_TRUE(model) << takeModelCreationFailure();
    const std::string printed = draw(model.get());
    EXPECT_EQ(GetParam().triangles, meshCounts(model.get())[1]);
    EXPECT_EQ(GetParam().skins, model->numTextures()) << printed;
    EXPECT_EQ(GetParam().rotationX, model->uprightTurn() ? model->uprightTurn()[0] : 0.0);
    EXPECT_EQ(std::string::npos, printed.find("zero length")) << printed.substr(0, 200);
    const std::map<std::string, std::vector<double>> scripts = scriptSteps(model.get());
    ASSERT_EQ(GetParam().scripts, scripts.size()) << scriptsOf(model.get()).substr(0, 200);
    if (!GetParam().script)
        return;
    ASSERT_EQ(1u, scripts.count(GetParam().script)) << scriptsOf(model.get()).substr(0, 200);
    const std::vector<double>& frames = scripts.at(GetParam().script);
    EXPECT_EQ(GetParam().frames, frames.size());
    // Halfway through some vertex has moved visibly (in the 4-unit view) yet stays near the model; or none moves.
    std::vector<float> rest;
    for (unsigned int v = 0; model->getVertex(v); ++v)
        rest.insert(rest.end(), model->getVertex(v)->pos, model->getVertex(v)->pos + 3);
    ASSERT_EQ(0, model->setAttribute("frame", frames[frames.size() / 2]));
    draw(model.get());
    float farthest = 0.0f, reach = 0.0f;
    for (unsigned int v = 0; v < rest.size() / 3; ++v)
        for (int k = 0; k < 3; ++k) {
            farthest = std::max(farthest, std::abs(model->getVertex(v)->pos[k] - rest[3 * v + k]));
            reach = std::max(reach, std::abs(rest[3 * v + k]));
        }
    if (GetParam().moves) {
        EXPECT_GT(farthest * model->getAttribute("scale"), 0.05);
        EXPECT_LT(farthest, 2 * reach);
    } else {
        EXPECT_EQ(0.0f, farthest);
    }
}

INSTANTIATE_TEST_SUITE_P(Cache, MeshformShipped,
                         testing::Values(Shipped{"b3d-ninja/ninja.b3d", 1007, 2, 0, 1, "anim1", 301, true},
                                         Shipped{"dae-duck/duck.dae", 4212, 1, 0, 0, nullptr, 0, false},
                                         Shipped{"fbx-box-embedded/box.FBX", 12, 1, -90, 0, nullptr, 0, false},
                                         Shipped{"fbx-spider/spider.fbx", 1312, 4, 0, 0, nullptr, 0, false},
                                         Shipped{"glb-box/BoxTextured.glb", 12, 1, 0, 0, nullptr, 0, false},
                                         Shipped{"gltf-clearcoat/ClearCoatTest.gltf", 37116, 2, 0, 0, nullptr, 0,
                                                 false},
                                         Shipped{"iqm-mrfixit/mrfixit.iqm", 2988, 2, -90, 1, "idle", 101, true},
                                         Shipped{"mdl-yodan/yodan.mdl", 503, 1, 0, 77, "walk", 20, true},
                                         Shipped{"ms3d-jeep/jeep1.ms3d", 2032, 1, 0, 0, nullptr, 0, false},
                                         Shipped{"obj-spider/spider.obj", 1312, 5, 0, 0, nullptr, 0, false},
                                         Shipped{"x-earth/earth.x", 4512, 1, 0, 1, "AnimationSet_sphere", 61, false}),
                         fileNameOf<Shipped>);

// A glTF file less its first picture: JSON without that image, view places or buffer length; a .glb's other views.
struct GltfMeaning {
    nlohmann::ordered_json json;
    std::vector<std::string> views;
};

GltfMeaning meaningOf(const std::string& bytes) {
    GltfMeaning meaning;
    const bool glb = bytes.rfind("glTF", 0) == 0;
    auto le32 = [&bytes](size_t at) {
        size_t value = 0;
        for (size_t k = 4; k-- > 0;)
            value = value << 8 | static_cast<unsigned char>(bytes.at(at + k));
        return value;
    };
    const size_t jsonLength = glb ? le32(12) : bytes.size();
    meaning.json = nlohmann::ordered_json::parse(glb ? bytes.substr(20, jsonLength) : bytes);
    nlohmann::ordered_json& json = meaning.json;
    const int imageView = json["images"][0].value("bufferView", -1);
    json["images"][0] = nullptr;
    if (!glb)
        return meaning;
    const std::string bin = bytes.substr(28 + jsonLength, le32(20 + jsonLength));
    for (size_t v = 0; v < json["bufferViews"].size(); ++v) {
        nlohmann::ordered_json& view = json["bufferViews"][v];
        const size_t offset = view.value("byteOffset", 0u), length = view.value("byteLength", 0u);
        meaning.views.push_back(static_cast<int>(v) == imageView ? "" : bin.substr(offset, length));
        view.erase("byteOffset");
        if (static_cast<int>(v) == imageView)
            view.erase("byteLength");
    }
    json["buffers"][0].erase("byteLength");
    return meaning;
}

struct EmbeddedSave {
    const char* file;
    const char* printed;  // what the save prints
    std::function<void()> write;
    friend void PrintTo(const EmbeddedSave& row, std::ostream* out) { *out << row.file; }
};

class MeshformEmbeddedSave : public PluginModelTest, public testing::WithParamInterface<EmbeddedSave> {};

TEST_P(MeshformEmbeddedSave, paint_goes_into_the_model_file_changing_nothing_else_and_the_next_load_shows_it) {
    const EmbeddedSave& c = GetParam();
    const std::string name = c.file, original = "written-" + name;
    c.write();
    std::filesystem::copy_file(name, original);
    std::unique_ptr<PaintableModel> model = create("Meshform", name.c_str());
    ASSERT_TRUE(model) << takeModelCreationFailure();
    draw(model.get());
    Image* skin = model->skinImage(model->getTriangle(0)->getTexture());
    ASSERT_TRUE(skin);
    GLubyte red[3] = {255, 0, 0};
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            skin->set(x, y, red, 1.0);
    const Bytes painted(skin->pixels(), skin->pixels() + skin->pixelBytes());
    testing::internal::CaptureStdout();
    const int wrote = model->copySkins()[0]->save();
    EXPECT_EQ(c.printed, testing::internal::GetCapturedStdout());
    ASSERT_EQ(1, wrote);

    const GltfMeaning before = meaningOf(readFile(original)), after = meaningOf(readFile(name));
    EXPECT_TRUE(sameBytes(before.json.dump(), after.json.dump()));
    ASSERT_EQ(before.views.size(), after.views.size());
    for (size_t v = 0; v < before.views.size(); ++v)
        EXPECT_TRUE(sameBytes(before.views[v], after.views[v])) << "bufferView " << v;

    std::unique_ptr<PaintableModel> again = create("Meshform", name.c_str());
    ASSERT_TRUE(again);
    draw(again.get());
    const Image* shown = again->skinImage(again->getTriangle(0)->getTexture());
    ASSERT_TRUE(shown);
    EXPECT_TRUE(sameBytes(painted, Bytes(shown->pixels(), shown->pixels() + shown->pixelBytes())));
}

INSTANTIATE_TEST_SUITE_P(
    Files, MeshformEmbeddedSave,
    testing::Values(EmbeddedSave{"scene.glb", "saving embedded texture 0 into scene.glb\n", pictureFirstGlb},
                    EmbeddedSave{
                        "scene.gltf", "saving embedded texture 0 into scene.gltf\n",
                        texturedGltf("scene.gltf", R"({"pbrMetallicRoughness":{"baseColorTexture":{"index":0}}})")}),
    fileNameOf<EmbeddedSave>);

struct Lookup {
    const char* what;
    const char* model;
    std::vector<std::string> listing;  // relative to the model's folder
    const char* name;                  // as the model file writes it; null: the model names none
    const char* expected;
};

const char* const kShip = "/home/me/models/ship/ship.obj";

const Lookup kLookups[] = {
    {"a relative path", kShip, {"tex/hull.png", "hull.png"}, "tex/hull.png", "tex/hull.png"},
    {"a relative path in another case", kShip, {"Tex/Hull.PNG"}, "./tex/hull.png", "Tex/Hull.PNG"},
    {"a Windows path: its file name", kShip, {"hull.jpg", "x/hull.jpg"}, "D:\\projects\\art\\hull.jpg", "hull.jpg"},
    {"so does one with forward slashes", kShip, {"deck.tga"}, "C:/art/deck.tga", "deck.tga"},
    {"backslashes separate folders", kShip, {"maps/deck.tga", "deck.tga"}, "maps\\deck.tga", "maps/deck.tga"},
    {"a name in any case, the exact case first", kShip, {"HULL.png", "hull.png", "Hull.png"}, "Hull.png", "Hull.png"},
    {"beside the model first", kShip, {"a/b/hull.png", "hull.png", "textures/hull.png"}, "hull.png", "hull.png"},
    {"then in textures/",
     kShip,
     {"a/hull.png", "textures/hull.png", "../textures/hull.png"},
     "art/hull.png",
     "textures/hull.png"},
    {"then the shallowest subfolder", kShip, {"a/b/hull.png", "z/hull.png"}, "hull.png", "z/hull.png"},
    {"then ../textures",
     kShip,
     {"../textures/Hull.png", "../hull.png", "../other/hull.png"},
     "/tmp/hull.png",
     "../textures/Hull.png"},
    {"no other folder around", kShip, {"../hull.png", "../other/hull.png"}, "hull.png", ""},
    {"stem in other formats", kShip, {"deck.png", "maps/deck.jpg", "maps/deck.txt"}, "maps/deck.tga", "maps/deck.jpg"},
    {"a stem in any case, DDS too", kShip, {"DECK.jpg", "deck.png", "deck.dds", "deck.txt"}, "deck", "deck.dds"},
    {"the name beats a nearer stem", kShip, {"deck.png", "../textures/deck.tga"}, "deck.tga", "../textures/deck.tga"},
    {"a stem must match whole and be an image", kShip, {"decks.png", "deck.txt", "deck2.tga"}, "deck.tga", ""},
    {"a path from the game's root",
     "/q3/models/players/sarge/lower.md3",
     {"../../../textures/sarge/band.tga", "band.tga"},
     "textures/sarge/band.tga",
     "../../../textures/sarge/band.tga"},
    {"leading back to the model",
     "/q3/models/players/sarge/lower.md3",
     {"../sarge/Default.TGA", "skins/default.tga"},
     "models/players/sarge/default.tga",
     "Default.TGA"},
    {"nothing found", kShip, {"ship.obj", "notes.txt"}, "hull.png", ""},
    {"an empty name", kShip, {"hull.png"}, "C:\\art\\", ""},
    {"none named: the model's stem", kShip, {"Ship.PNG", "a.png", "textures/ship.png"}, nullptr, "Ship.PNG"},
    {"else the only image", kShip, {"ship.obj", "paint.jpg", "textures/a.png"}, nullptr, "paint.jpg"},
    {"several others: none is guessed", kShip, {"a.jpg", "b.jpg"}, nullptr, ""},
};

TEST(TextureSearch, finds_each_texture_by_the_first_rule_that_matches) {
    for (const Lookup& c : kLookups) {
        SCOPED_TRACE(c.what);
        const TextureSearch search(c.model, c.listing);
        EXPECT_EQ(c.expected, c.name ? search.find(c.name) : search.fallback());
    }

    // The listing from disk: regular files of the folders to list, relative to the model's folder.
    ScratchDir dir;
    for (const char* folder : {"game/models/ship/maps", "game/models/textures", "game/art/metal"})
        std::filesystem::create_directories(dir.path(folder));
    for (const char* file :
         {"game/models/ship/ship.obj", "game/models/ship/maps/hull.png", "game/models/textures/deck.tga",
          "game/models/ship.skin", "game/other.txt", "game/art/metal/rust.tga"})
        writeFile(dir.path(file), std::string("x"));
    // A named folder is listed from each folder above, where a game's root may be.
    const auto listed = TextureSearch::listFiles(dir.path("game/models/ship/ship.obj"), {"art\\metal/rust.jpg"});
    for (const char* file :
         {"maps/hull.png", "../textures/deck.tga", "../ship.skin", "../../other.txt", "../../art/metal/rust.tga"})
        EXPECT_TRUE(std::binary_search(listed.begin(), listed.end(), file)) << file << " not among " << listed.size();
    EXPECT_FALSE(std::binary_search(listed.begin(), listed.end(), "maps")) << "folders are no files";
}

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

// Where the parts of smallMd3() lie.
constexpr size_t kNumFrames = 76, kNumTags = 80, kNumSurfaces = 84, kMd3OfsFrames = 92, kOfsTags = 96,
                 kOfsSurfaces = 100, kA = 444, kB = 704, kMd3Size = 896;
// Surface header fields, from its start.
constexpr size_t kSurfaceFrames = 72, kShaders = 76, kVerts = 80, kOfsShaders = 92, kOfsSt = 96, kOfsXyz = 100,
                 kEnd = 104;

TEST(Md3FileDecode, damaged_and_unmarked_files_are_refused_whole_with_their_reason) {
    typedef std::vector<std::pair<size_t, int64_t>> Changes;
    const std::tuple<Changes, size_t, Md3File::Result, const char*> cases[] = {
        {{{kNumFrames, 0}}, 0, Md3File::kCorrupt, "damaged: a count out of range"},
        {{{kNumFrames, 8193}}, 0, Md3File::kCorrupt, "damaged: a count out of range"},
        {{{kNumTags, -1}}, 0, Md3File::kCorrupt, "damaged: a count out of range"},
        {{{kNumSurfaces, 1025}}, 0, Md3File::kCorrupt, "damaged: a count out of range"},
        {{{kMd3OfsFrames, 785}}, 0, Md3File::kCorrupt, "damaged: sections beyond the end of the file"},
        {{{kMd3OfsFrames, -4}}, 0, Md3File::kCorrupt, "damaged: sections beyond the end of the file"},
        {{{kOfsTags, 673}}, 0, Md3File::kCorrupt, "damaged: sections beyond the end of the file"},
        {{{kOfsSurfaces, 789}}, 0, Md3File::kCorrupt, "damaged: a surface beyond the end of the file"},
        {{{kOfsSurfaces, 8}}, 0, Md3File::kCorrupt, "damaged: a surface without its mark where the file places it"},
        {{{kB + kSurfaceFrames, 1}},
         0,
         Md3File::kCorrupt,
         "damaged: a surface with another number of frames than the model"},
        {{{kA + kVerts, -1}}, 0, Md3File::kCorrupt, "damaged: a surface count out of range"},
        {{{kB + kVerts, 5}}, 0, Md3File::kCorrupt, "damaged: surface sections beyond the end of the file"},
        {{{kA + kEnd, 107}}, 0, Md3File::kCorrupt, "damaged: surface sections beyond the end of the file"},
        {{{kB + kEnd, 193}}, 0, Md3File::kCorrupt, "damaged: surface sections beyond the end of the file"},
        {{}, kMd3Size - 1, Md3File::kCorrupt, "damaged: surface sections beyond the end of the file"},
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
