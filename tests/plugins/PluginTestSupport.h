// Shared pieces of the plug-in tests: an emptied class registry, a working
// directory of the test's own, private copies of the built plug-ins, mesh
// counting, and MD2 files written byte by byte (independently of the reader).
#ifndef VELMORA_TESTS_PLUGINS_PLUGINTESTSUPPORT_H
#define VELMORA_TESTS_PLUGINS_PLUGINTESTSUPPORT_H

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "paint/PolyMesh.h"
#include "plugins/ClassRegistry.h"
#include "tests/paint/PaintTestSupport.h"

namespace plugintest {

// Empties model_classes for one test and puts the old entries back after it.
class RegistryScope {
public:
    RegistryScope();
    ~RegistryScope();

private:
    std::map<char*, model_factory, cmp_str> saved;
};

// Makes dir the working directory until destroyed.
class WorkingDir {
public:
    explicit WorkingDir(const std::string& dir);
    ~WorkingDir();

private:
    std::string previous;
};

std::string builtPlugin(const std::string& name);  // <build>/models/<name>.so
std::string testPlugin(const std::string& name);   // <build>/testplugins/<name>.so
bool copyFile(const std::string& from, const std::string& to);

// Loads a copy of plugin written to dir, so that its registration runs now
// even if another test loaded the same library before; then looks up
// className. Null when either step fails.
model_factory loadCopy(const std::string& plugin, const std::string& dir, const char* className);

// The real path of the library that holds factory's code.
std::string libraryOf(model_factory factory);

size_t vertexCount(PolyMesh* mesh);
size_t normalCount(PolyMesh* mesh);
size_t texCoordCount(PolyMesh* mesh);
size_t triangleCount(PolyMesh* mesh);

// Base of the tests that draw plug-in models: a GL context, an emptied
// registry, and a scratch directory that is the working directory.
class PluginModelTest : public testing::Test {
protected:
    PluginModelTest();
    void SetUp() override;
    void TearDown() override;

    // The factory of a fresh copy of the built plug-in className.
    model_factory load(const char* className);

    painttest::ScratchDir dir;
    RegistryScope registry;
    WorkingDir cwd;
};

// An MD2 file as the tests lay it out: header, skins, texture coordinates,
// triangles, frames, in that order, with counts and offsets to match.
struct Md2Frame {
    float scale[3];
    float translate[3];
    std::vector<std::array<uint8_t, 4>> vertices;  // x, y, z, normal index
};
struct Md2Spec {
    int32_t ident = 0x32504449;
    int32_t version = 8;
    int32_t skinwidth = 64;
    int32_t skinheight = 32;
    std::vector<std::string> skins;  // written into 64-byte records, cut at 64
    std::vector<std::array<int16_t, 2>> texCoords;
    std::vector<std::array<int16_t, 6>> triangles;  // three vertex, then three st indices
    std::vector<Md2Frame> frames;
};
std::vector<uint8_t> md2Bytes(const Md2Spec& spec);

// Header field offsets, for corrupting a built file.
enum Md2Field {
    F_IDENT = 0, F_VERSION = 4, F_SKINWIDTH = 8, F_SKINHEIGHT = 12, F_FRAMESIZE = 16,
    F_NUM_SKINS = 20, F_NUM_XYZ = 24, F_NUM_ST = 28, F_NUM_TRIS = 32, F_NUM_GLCMDS = 36,
    F_NUM_FRAMES = 40, F_OFS_SKINS = 44, F_OFS_ST = 48, F_OFS_TRIS = 52, F_OFS_FRAMES = 56,
    F_OFS_GLCMDS = 60, F_OFS_END = 64
};
void poke32(std::vector<uint8_t>& bytes, size_t at, int32_t value);
int32_t peek32(const std::vector<uint8_t>& bytes, size_t at);

// A small model with two skins (one named with directories and ".pcx", one
// bare), two frames that differ, and vertex bytes 0 and 255.
Md2Spec sampleSpec();

}  // namespace plugintest

#endif
