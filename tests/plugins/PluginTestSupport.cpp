// Helpers for the plug-in tests; see PluginTestSupport.h.
#include "tests/plugins/PluginTestSupport.h"

#include <GL/gl.h>
#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <fstream>

namespace plugintest {

RegistryScope::RegistryScope() : saved(model_classes)
{
    model_classes.clear();
}

RegistryScope::~RegistryScope()
{
    model_classes = saved;
}

WorkingDir::WorkingDir(const std::string& dir)
{
    char buf[PATH_MAX];
    previous = getcwd(buf, sizeof buf) ? buf : "/";
    if (chdir(dir.c_str()) != 0)
        perror(dir.c_str());
}

WorkingDir::~WorkingDir()
{
    if (chdir(previous.c_str()) != 0)
        perror(previous.c_str());
}

PluginModelTest::PluginModelTest() : cwd(dir.root()) {}

void PluginModelTest::SetUp()
{
    if (!std::getenv("DISPLAY")) {
        GTEST_SKIP() << "no X display";
    }
    ASSERT_TRUE(painttest::ensureGlContext());
    glViewport(0, 0, 64, 64);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-4, 4, -4, 4, -100, 100);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    while (glGetError() != GL_NO_ERROR) {
    }
}

void PluginModelTest::TearDown()
{
    if (std::getenv("DISPLAY")) {
        EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
    }
}

model_factory PluginModelTest::load(const char* className)
{
    return loadCopy(builtPlugin(className), dir.root(), className);
}

std::string builtPlugin(const std::string& name)
{
    return std::string(VELMORA_BUILD_DIR) + "/models/" + name + ".so";
}

std::string testPlugin(const std::string& name)
{
    return std::string(VELMORA_BUILD_DIR) + "/testplugins/" + name + ".so";
}

bool copyFile(const std::string& from, const std::string& to)
{
    std::ifstream in(from, std::ios::binary);
    std::ofstream out(to, std::ios::binary | std::ios::trunc);
    if (!in || !out)
        return false;
    out << in.rdbuf();
    return static_cast<bool>(out);
}

model_factory loadCopy(const std::string& plugin, const std::string& dir, const char* className)
{
    // A new file each time: the loader knows a library it has seen by its file.
    static std::atomic<int> serial{0};
    std::string copy = dir + "/copy" + std::to_string(++serial) + "-" + plugin.substr(plugin.rfind('/') + 1);
    if (!copyFile(plugin, copy))
        return nullptr;
    if (loadClassLibrary(copy.c_str()))
        return nullptr;
    auto found = model_classes.find(const_cast<char*>(className));
    return found == model_classes.end() ? nullptr : found->second;
}

std::string libraryOf(model_factory factory)
{
    Dl_info info;
    if (!factory || !dladdr(reinterpret_cast<void*>(factory), &info) || !info.dli_fname)
        return "";
    char real[PATH_MAX];
    return realpath(info.dli_fname, real) ? real : info.dli_fname;
}

template <typename Get>
static size_t countUntilNull(Get get)
{
    size_t n = 0;
    while (get(static_cast<unsigned int>(n)))
        ++n;
    return n;
}

size_t vertexCount(PolyMesh* mesh)
{
    return countUntilNull([mesh](unsigned int i) { return mesh->getVertex(i); });
}

size_t normalCount(PolyMesh* mesh)
{
    return countUntilNull([mesh](unsigned int i) { return mesh->getNormal(i); });
}

size_t texCoordCount(PolyMesh* mesh)
{
    return countUntilNull([mesh](unsigned int i) { return mesh->getTexCoord(i); });
}

size_t triangleCount(PolyMesh* mesh)
{
    return countUntilNull([mesh](unsigned int i) { return mesh->getTriangle(i); });
}

void poke32(std::vector<uint8_t>& bytes, size_t at, int32_t value)
{
    uint32_t v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

int32_t peek32(const std::vector<uint8_t>& bytes, size_t at)
{
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<uint32_t>(bytes[at + i]) << (8 * i);
    return static_cast<int32_t>(v);
}

static void append32(std::vector<uint8_t>& b, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

static void append16(std::vector<uint8_t>& b, int16_t value)
{
    uint16_t v = static_cast<uint16_t>(value);
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}

static void appendFloat(std::vector<uint8_t>& b, float f)
{
    uint32_t v;
    std::memcpy(&v, &f, 4);
    append32(b, v);
}

std::vector<uint8_t> md2Bytes(const Md2Spec& spec)
{
    const size_t numXyz = spec.frames.empty() ? 0 : spec.frames[0].vertices.size();
    const int32_t framesize = static_cast<int32_t>(40 + 4 * numXyz);
    const int32_t ofsSkins = 68;
    const int32_t ofsSt = ofsSkins + 64 * static_cast<int32_t>(spec.skins.size());
    const int32_t ofsTris = ofsSt + 4 * static_cast<int32_t>(spec.texCoords.size());
    const int32_t ofsFrames = ofsTris + 12 * static_cast<int32_t>(spec.triangles.size());
    const int32_t ofsEnd = ofsFrames + framesize * static_cast<int32_t>(spec.frames.size());

    std::vector<uint8_t> b;
    const int32_t header[17] = {spec.ident, spec.version, spec.skinwidth, spec.skinheight, framesize,
                                static_cast<int32_t>(spec.skins.size()), static_cast<int32_t>(numXyz),
                                static_cast<int32_t>(spec.texCoords.size()),
                                static_cast<int32_t>(spec.triangles.size()), 0,
                                static_cast<int32_t>(spec.frames.size()), ofsSkins, ofsSt, ofsTris, ofsFrames,
                                ofsEnd, ofsEnd};
    for (int32_t field : header)
        append32(b, static_cast<uint32_t>(field));
    for (const std::string& skin : spec.skins) {
        char record[64] = {};
        std::memcpy(record, skin.data(), std::min<size_t>(skin.size(), 64));
        b.insert(b.end(), record, record + 64);
    }
    for (const auto& st : spec.texCoords) {
        append16(b, st[0]);
        append16(b, st[1]);
    }
    for (const auto& tri : spec.triangles)
        for (int16_t index : tri)
            append16(b, index);
    for (const Md2Frame& frame : spec.frames) {
        for (float f : frame.scale)
            appendFloat(b, f);
        for (float f : frame.translate)
            appendFloat(b, f);
        char name[16] = "frame";
        b.insert(b.end(), name, name + 16);
        for (const auto& v : frame.vertices)
            b.insert(b.end(), v.begin(), v.end());
    }
    return b;
}

Md2Spec sampleSpec()
{
    Md2Spec spec;
    spec.skins = {"players/thing/skin.pcx", "second.bmp"};
    spec.texCoords = {{0, 0}, {64, 32}, {32, 16}, {16, 8}};
    spec.triangles = {{0, 1, 2, 0, 1, 2}, {0, 2, 3, 1, 2, 3}, {1, 3, 4, 3, 0, 1}};
    Md2Frame first{{0.5f, 0.25f, 2.0f}, {-3.0f, 1.0f, -64.0f},
                   {{0, 0, 0, 0}, {255, 255, 255, 5}, {255, 0, 0, 161}, {0, 255, 0, 2}, {10, 20, 30, 100}}};
    Md2Frame second{{1.0f, 1.0f, 1.0f}, {100.0f, 100.0f, 100.0f},
                    {{1, 1, 1, 1}, {2, 2, 2, 1}, {3, 3, 3, 1}, {4, 4, 4, 1}, {5, 5, 5, 1}}};
    Md2Frame third = second;
    third.translate[0] = 200.0f;
    spec.frames = {first, second, third};
    return spec;
}

}  // namespace plugintest
