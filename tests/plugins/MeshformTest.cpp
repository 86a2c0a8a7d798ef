// The Assimp model plug-in, over small files each case writes itself: mesh, texture coordinates, skins,
// first sight, painting, saving, animations, and the files it refuses.
#include <sys/stat.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <regex>

#include "paint/brush/BrushModel.h"

#include "tests/plugins/PluginTestSupport.h"

using namespace plugintest;

namespace {

std::string base64(const std::string& bytes) {
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const size_t held = std::min<size_t>(3, bytes.size() - i);
        uint32_t n = 0;
        for (size_t k = 0; k < 3; ++k)
            n = n << 8 | (k < held ? static_cast<unsigned char>(bytes[i + k]) : 0);
        for (size_t k = 0; k < 4; ++k)
            out += k <= held ? digits[(n >> (18 - 6 * k)) & 63] : '=';
    }
    return out;
}

std::string floats(std::initializer_list<float> values) {
    std::string bytes;
    for (float v : values)
        bytes.append(reinterpret_cast<const char*>(&v), sizeof v);
    return bytes;
}

// A 2 x 1 quad in the xy plane whose texture coordinates are its corners' x / 2 and y, with a material
// naming its BMP by a folder and a case the file does not have.
void texturedObj() {
    writeFile(std::string("quad.obj"), std::string("mtllib quad.mtl\nv 0 0 0\nv 2 0 0\nv 2 1 0\nv 0 1 0\n"
                                                   "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nusemtl skin\n"
                                                   "f 1/1 2/2 3/3 4/4\n"));
    writeFile(std::string("quad.mtl"), std::string("newmtl skin\nKd 1 1 1\nmap_Kd textures\\QUAD.bmp\n"));
    writeFile("quad.bmp", makeBmp(8, 8, 40));
}

void plainObj() {
    writeFile(std::string("plain.obj"), std::string("v 0 0 0\nv 4 0 0\nv 0 0 1\nf 1 2 3\n"));
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
                  R"(,"uri":"data:application/octet-stream;base64,)" + base64(buffer) + R"("}],"bufferViews":[)" +
                  views + R"(],"accessors":[)" + list + "]," + json + "}");
}

// One triangle whose buffer and PNG picture are data: URIs; glTF's y is up, and its t counts from the top.
void dataUriGltf() {
    writeFile("grey.bmp", makeBmp(4, 4, 90));
    ASSERT_EQ(0, std::system((kConvert + " grey.bmp grey.png").c_str()));
    writeGltf("scene.gltf",
              {{floats({0, 0, 0, 1, 0, 0, 0, 2, 0}), "VEC3", 5126, 3, R"(,"min":[0,0,0],"max":[1,2,0])"},
               {floats({0, 0, 1, 0, 0, 1}), "VEC2", 5126, 3, ""}},
              R"("scenes":[{"nodes":[0]}],"nodes":[{"mesh":0}],
"meshes":[{"primitives":[{"attributes":{"POSITION":0,"TEXCOORD_0":1},"material":0}]}],
"materials":[{"pbrMetallicRoughness":{"baseColorTexture":{"index":0}}}],
"textures":[{"source":0}],"images":[{"uri":"data:image/png;base64,)" +
                  base64(readFile("grey.png")) + "\"}]");
}

// A binary glTF whose header promises more than the file holds.
void truncatedGlb() {
    Bytes b;
    appendLe(b, {0x46546c67, 2, 4096, 2000, 0x4e4f534a}, 4);
    b.resize(60, ' ');
    writeFile("cut.glb", b);
}

void fifo() {
    ASSERT_EQ(0, mkfifo("pipe.obj", 0600));
}

struct Case {
    const char* file;
    std::function<void()> write;
    const char* refusal;  // the line reported when no model is made, as a pattern; null when one is
    size_t triangles;
    double rotationX, rotationZ, scale;  // the model's own upright turn about x and z, its scale
    const char* printed;                 // what the first draw prints, as a pattern ("#" stands for each skin's number)
    float st[4];                         // s = (x + st[1]) * st[0] and t = (y + st[3]) * st[2] on the textured surface
    const char* saving;                  // what saving the first skin prints; null without skins
};

const Case kCases[] = {
    {"quad.obj", texturedObj, nullptr, 2, 0, 0, 2, "skins: <#>\n", {0.5f, 1, 1, 0.5f}, "saving image: quad.bmp\n"},
    {"plain.obj", plainObj, nullptr, 1, 0, 0, 1, "skins: <>\n", {}, nullptr},
    {"scene.gltf",
     dataUriGltf,
     nullptr,
     1,
     0,
     0,
     2,
     "skins: <#>\n",
     {1, 0.5f, -0.5f, -1},
     "not saving embedded texture 0 of scene.gltf: pictures inside a model file are not written back yet\n"},
    {"cut.glb", truncatedGlb, "cannot read model 'cut.glb': .+\n", 0, 0, 0, 0, nullptr, {}, nullptr},
    {"pipe.obj",
     fifo,
     "cannot read model 'pipe.obj': pipe.obj: not a regular file\n",
     0,
     0,
     0,
     0,
     nullptr,
     {},
     nullptr},
    {"absent.fbx", [] {}, "cannot read model 'absent.fbx': .+\n", 0, 0, 0, 0, nullptr, {}, nullptr},
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.file;
}

class Meshform : public PluginModelTest, public testing::WithParamInterface<Case> {};

TEST_P(Meshform, reads_the_mesh_and_its_skins_or_refuses_in_one_line) {
    const Case& c = GetParam();
    c.write();
    takeModelCreationFailure();
    std::unique_ptr<PaintableModel> model = create("Meshform", c.file);
    const std::string failure = takeModelCreationFailure();
    if (c.refusal) {
        EXPECT_FALSE(model);
        EXPECT_TRUE(std::regex_match(failure, std::regex(c.refusal))) << failure;
        return;
    }
    ASSERT_TRUE(model) << failure;
    const std::string printed = draw(model.get());
    ASSERT_EQ(c.triangles, meshCounts(model.get())[1]);
    const GLuint skin = model->getTriangle(0)->getTexture();
    EXPECT_EQ(std::regex_replace(c.printed, std::regex("#"), std::to_string(skin)), printed);
    const char* names[] = {"x", "y", "z", "rotation_x", "rotation_y", "rotation_z", "scale"};
    const double values[] = {0, 0, 0, 0, 0, 0, c.scale};
    for (int i = 0; i < 7; ++i)
        EXPECT_NEAR(values[i], model->getAttribute(names[i]), 1e-9) << names[i];
    const double* upright = model->uprightTurn();
    EXPECT_EQ(c.rotationX, upright ? upright[0] : 0.0);
    EXPECT_EQ(c.rotationZ, upright ? upright[2] : 0.0);
    // Every textured corner keeps the coordinates its place on the surface had in the file, the centre of
    // the bounding box having become the origin.
    for (unsigned int t = 0; skin && t < c.triangles; ++t)
        for (unsigned int k = 0; k < 3; ++k) {
            float at[3], coords[2];
            model->getTriangle(t)->getVertexLocation(k, at);
            model->getTriangle(t)->getVertexTexCoords(k, coords);
            EXPECT_NEAR((at[0] + c.st[1]) * c.st[0], coords[0], 1e-6) << "triangle " << t << " corner " << k;
            EXPECT_NEAR((at[1] + c.st[3]) * c.st[2], coords[1], 1e-6) << "triangle " << t << " corner " << k;
        }
    // The brush at the centre paints the skin, and leaves an untextured model alone without harm.
    ASSERT_EQ(0, model->setAttribute("scale", 1.0));
    const Bytes before = skin ? texturePixels(skin) : Bytes();
    BrushModel brush("brush");
    brush.setAttribute("z", 0.0);
    model->paintModel(&brush);
    draw(model.get());
    EXPECT_EQ(skin != 0, skin && before != texturePixels(skin));
    const std::vector<std::unique_ptr<Image>> skins = model->copySkins();
    ASSERT_EQ(c.saving ? 1u : 0u, skins.size());
    if (!c.saving)
        return;
    testing::internal::CaptureStdout();
    const int wrote = skins[0]->save();
    EXPECT_EQ(c.saving, testing::internal::GetCapturedStdout());
    EXPECT_EQ(std::string(c.saving).rfind("saving", 0) == 0, wrote != 0);
}

INSTANTIATE_TEST_SUITE_P(Files, Meshform, testing::ValuesIn(kCases), [](const testing::TestParamInfo<Case>& row) {
    std::string name = row.param.file;
    std::replace(name.begin(), name.end(), '.', '_');
    return name;
});

}  // namespace

namespace {

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

// Corner 0 hangs on joint a, corner 1 on joint b, corner 2 on both; "bend" lifts a 3 along y and back.
// (Assimp 5.2 crashes on a skin without inverse bind matrices, which glTF allows.)
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

// One morph target moves corner 2 by 4 along z; "swell" weighs it 0, 1, 0.
void morphingGltf() {
    writeGltf("morph.gltf",
              {kCorners,
               kTimes,
               {floats({0, 1, 0}), "SCALAR", 5126, 3, ""},
               {floats({0, 0, 0, 0, 0, 0, 0, 0, 4}), "VEC3", 5126, 3, R"(,"min":[0,0,0],"max":[0,0,4])"}},
              R"("scenes":[{"nodes":[0]}],"nodes":[{"mesh":0}],
"meshes":[{"primitives":[{"attributes":{"POSITION":0},"targets":[{"POSITION":3}]}],"weights":[0]}],
"animations":[{"name":"swell","channels":[{"sampler":0,"target":{"node":0,"path":"weights"}}],
"samplers":[{"input":1,"output":2}]}])");
}

// The model's scripts as saved: name to the frame of each step. Every one must repeat.
std::map<std::string, std::vector<double>> scriptFrames(PaintableModel* model) {
    std::map<std::string, std::vector<double>> found;
    std::unique_ptr<TiXmlElement> xml(model->toXML());
    for (TiXmlElement* se = xml->FirstChildElement("script"); se; se = se->NextSiblingElement("script")) {
        std::vector<double>& frames = found[se->Attribute("name")];
        EXPECT_STREQ("1", se->Attribute("behavior")) << se->Attribute("name");
        for (TiXmlElement* pe = se->FirstChildElement("pose"); pe; pe = pe->NextSiblingElement("pose"))
            for (TiXmlElement* ae = pe->FirstChildElement(); ae; ae = ae->NextSiblingElement())
                frames.push_back(std::atof(ae->Attribute("value")));
    }
    return found;
}

// "name:steps" for each script, in name order.
std::string scriptsOf(PaintableModel* model) {
    std::string listed;
    for (const auto& [name, frames] : scriptFrames(model))
        listed += (listed.empty() ? "" : " ") + name + ":" + std::to_string(frames.size());
    return listed;
}

struct Animated {
    const char* file;
    void (*write)();
    const char* scripts;  // as scriptsOf lists them
    double frame;         // one second in: the first script's 26th keyframe
    float moved[3][3];    // how far each corner has moved from the rest pose there
};

void PrintTo(const Animated& a, std::ostream* out) {
    *out << a.file;
}

const Animated kAnimated[] = {
    {"slide.gltf", slidingGltf, "anim1:14 slide:51", 26, {{2, 0, 0}, {2, 0, 0}, {2, 0, 0}}},
    {"skin.gltf", skinnedGltf, "bend:51", 26, {{0, 3, 0}, {0, 0, 0}, {0, 1.5f, 0}}},
    {"morph.gltf", morphingGltf, "swell:51", 26, {{0, 0, 0}, {0, 0, 0}, {0, 0, 4}}},
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

INSTANTIATE_TEST_SUITE_P(Files, MeshformAnimated, testing::ValuesIn(kAnimated),
                         [](const testing::TestParamInfo<Animated>& row) {
                             std::string name = row.param.file;
                             std::replace(name.begin(), name.end(), '.', '_');
                             return name;
                         });

}  // namespace

namespace {

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
};

void PrintTo(const Shipped& s, std::ostream* out) {
    *out << s.file;
}

class MeshformShipped : public PluginModelTest, public testing::WithParamInterface<Shipped> {};

TEST_P(MeshformShipped, shows_every_mesh_with_the_textures_it_names) {
    const char* cache = std::getenv("VELMORA_MESH_CACHE");
    const char* home = std::getenv("HOME");
    const std::string file =
        (cache && *cache ? std::string(cache) : std::string(home ? home : "") + "/.cache/velmora/meshes") + "/" +
        GetParam().file;
    if (!std::filesystem::exists(file))
        GTEST_SKIP() << "no " << file << "; scripts/fetch-models.sh fetches it";
    std::unique_ptr<PaintableModel> model = create("Meshform", file.c_str());
    ASSERT_TRUE(model) << takeModelCreationFailure();
    const std::string printed = draw(model.get());
    EXPECT_EQ(GetParam().triangles, meshCounts(model.get())[1]);
    EXPECT_EQ(GetParam().skins, model->numTextures()) << printed;
    EXPECT_EQ(GetParam().rotationX, model->uprightTurn() ? model->uprightTurn()[0] : 0.0);
    EXPECT_EQ(std::string::npos, printed.find("zero length")) << printed.substr(0, 200);
    const std::map<std::string, std::vector<double>> scripts = scriptFrames(model.get());
    ASSERT_EQ(GetParam().scripts, scripts.size()) << scriptsOf(model.get()).substr(0, 200);
    if (!GetParam().script)
        return;
    ASSERT_EQ(1u, scripts.count(GetParam().script)) << scriptsOf(model.get()).substr(0, 200);
    const std::vector<double>& frames = scripts.at(GetParam().script);
    EXPECT_EQ(GetParam().frames, frames.size());
    // Halfway through, some vertex stands a visible distance (in the 4-unit view) from where it rests, or none
    // moves at all.
    std::vector<float> rest;
    for (unsigned int v = 0; model->getVertex(v); ++v)
        rest.insert(rest.end(), model->getVertex(v)->pos, model->getVertex(v)->pos + 3);
    ASSERT_EQ(0, model->setAttribute("frame", frames[frames.size() / 2]));
    draw(model.get());
    float farthest = 0.0f;
    for (unsigned int v = 0; v < rest.size() / 3; ++v)
        for (int k = 0; k < 3; ++k)
            farthest = std::max(farthest, std::abs(model->getVertex(v)->pos[k] - rest[3 * v + k]));
    if (GetParam().moves) {
        EXPECT_GT(farthest * model->getAttribute("scale"), 0.05);
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
                                         Shipped{"gltf-box/BoxTextured.gltf", 12, 1, 0, 0, nullptr, 0, false},
                                         Shipped{"gltf-box-embedded/BoxTextured.gltf", 12, 1, 0, 0, nullptr, 0, false},
                                         Shipped{"gltf-clearcoat/ClearCoatTest.gltf", 37116, 1, 0, 0, nullptr, 0,
                                                 false},
                                         Shipped{"iqm-mrfixit/mrfixit.iqm", 2988, 2, 0, 0, nullptr, 0, false},
                                         Shipped{"mdl-yodan/yodan.mdl", 503, 1, 0, 77, "walk", 20, true},
                                         Shipped{"ms3d-jeep/jeep1.ms3d", 2032, 1, 0, 0, nullptr, 0, false},
                                         Shipped{"obj-spider/spider.obj", 1312, 5, 0, 0, nullptr, 0, false},
                                         Shipped{"x-earth/earth.x", 4512, 1, 0, 1, "AnimationSet_sphere", 61, false}));

}  // namespace
