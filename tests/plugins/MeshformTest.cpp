// The Assimp model plug-in, over small files each case writes itself: mesh, texture coordinates, skins,
// first sight, painting, saving, and the files it refuses.
#include <sys/stat.h>

#include <cstdlib>
#include <functional>
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

// One triangle whose buffer and PNG picture are data: URIs; glTF's y is up, and its t counts from the top.
void dataUriGltf() {
    writeFile("grey.bmp", makeBmp(4, 4, 90));
    ASSERT_EQ(0, std::system((kConvert + " grey.bmp grey.png").c_str()));
    const std::string png = readFile("grey.png");
    const std::string buffer = floats({0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 1});
    writeFile(std::string("scene.gltf"),
              R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],"nodes":[{"mesh":0}],
"meshes":[{"primitives":[{"attributes":{"POSITION":0,"TEXCOORD_0":1},"material":0}]}],
"materials":[{"pbrMetallicRoughness":{"baseColorTexture":{"index":0}}}],
"textures":[{"source":0}],"images":[{"uri":"data:image/png;base64,)" +
                  base64(png) + R"("}],
"buffers":[{"byteLength":60,"uri":"data:application/octet-stream;base64,)" +
                  base64(buffer) + R"("}],
"bufferViews":[{"buffer":0,"byteOffset":0,"byteLength":36},{"buffer":0,"byteOffset":36,"byteLength":24}],
"accessors":[{"bufferView":0,"componentType":5126,"count":3,"type":"VEC3","min":[0,0,0],"max":[1,2,0]},
{"bufferView":1,"componentType":5126,"count":3,"type":"VEC2"}]})");
}

// A binary glTF whose header promises more than the file holds.
void truncatedGlb() {
    Bytes b;
    appendLe(b, {0x46546c67, 2, 4096, 2000, 0x4e4f534a}, 4);
    b.resize(60, ' ');
    writeFile("cut.glb", b);
}

void plyNoEnd() {
    writeFile(std::string("endless.ply"), std::string("ply\nformat ascii 1.0\nelement vertex 3\n"));
}

// Its second face names a point that is not a number: that face is left out, the rest of the mesh stays.
void objWithNan() {
    writeFile(std::string("nan.obj"), std::string("v 0 0 0\nv 4 0 0\nv 0 0 1\nv nan 0 0\nf 1 2 3\nf 1 2 4\n"));
}

void fifo() {
    ASSERT_EQ(0, mkfifo("pipe.obj", 0600));
}

struct Case {
    const char* file;
    std::function<void()> write;
    const char* refusal;  // the line reported when no model is made, as a pattern; null when one is
    size_t triangles;
    double rotationX, rotationZ, scale;
    const char* printed;  // what the first draw prints, as a pattern ("#" stands for each skin's number)
    float st[4];          // s = (x + st[1]) * st[0] and t = (y + st[3]) * st[2] on the textured surface
    const char* saving;   // what saving the first skin prints; null without skins
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
    {"endless.ply", plyNoEnd, "cannot read model 'endless.ply': .+ end_header .+\n", 0, 0, 0, 0, nullptr, {}, nullptr},
    {"nan.obj", objWithNan, nullptr, 1, 0, 0, 1, "skins: <>\n", {}, nullptr},
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
    const double values[] = {0, 0, 0, c.rotationX, 0, c.rotationZ, c.scale};
    for (int i = 0; i < 7; ++i)
        EXPECT_NEAR(values[i], model->getAttribute(names[i]), 1e-9) << names[i];
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

// Model files as their packages ship them, from the cache scripts/fetch-models.sh fills; absent ones are skipped.
struct Shipped {
    const char* file;
    size_t triangles;  // with area: those without are left out
    int skins;         // distinct textures found beside the file or inside it
    double rotationX;  // the file's z is its up
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
    EXPECT_EQ(GetParam().rotationX, model->getAttribute("rotation_x"));
    EXPECT_EQ(std::string::npos, printed.find("zero length")) << printed.substr(0, 200);
}

INSTANTIATE_TEST_SUITE_P(
    Cache, MeshformShipped,
    testing::Values(Shipped{"b3d-ninja/ninja.b3d", 1007, 2, 0}, Shipped{"dae-duck/duck.dae", 4212, 1, 0},
                    Shipped{"fbx-box-embedded/box.FBX", 12, 1, -90}, Shipped{"fbx-spider/spider.fbx", 1312, 4, 0},
                    Shipped{"glb-box/BoxTextured.glb", 12, 1, 0}, Shipped{"gltf-box/BoxTextured.gltf", 12, 1, 0},
                    Shipped{"gltf-box-embedded/BoxTextured.gltf", 12, 1, 0},
                    Shipped{"gltf-clearcoat/ClearCoatTest.gltf", 37116, 1, 0},
                    Shipped{"iqm-mrfixit/mrfixit.iqm", 2988, 2, 0}, Shipped{"mdl-yodan/yodan.mdl", 503, 1, 0},
                    Shipped{"ms3d-jeep/jeep1.ms3d", 2032, 1, 0}, Shipped{"obj-spider/spider.obj", 1312, 5, 0},
                    Shipped{"x-earth/earth.x", 4512, 1, 0}));

}  // namespace
