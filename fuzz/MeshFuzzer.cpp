// Model files in the formats Assimp reads, from hostile bytes: the first byte
// picks the file's extension (Assimp chooses its importer by it), the rest is
// the file. Whatever the scene reader accepts must keep the promises its
// header makes; a broken one aborts, so the fuzzer keeps the input.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "fuzz/FuzzScratch.h"
#include "plugins/meshform/MeshformScene.h"
#include "plugins/meshform/SceneReader.h"

namespace {

const char* const kExtensions[] = {"obj", "gltf", "glb", "fbx", "dae", "3ds", "ms3d", "b3d", "x",   "iqm",
                                   "mdl", "md3",  "ply", "stl", "off", "smd", "ase",  "ac",  "lwo", "md5mesh"};
constexpr size_t kExtensionCount = sizeof(kExtensions) / sizeof(kExtensions[0]);

[[noreturn]] void broken(const char* promise, size_t at) {
    std::fprintf(stderr, "scene reader broke its promise: %s (at %zu)\n", promise, at);
    std::abort();
}

void check(bool kept, const char* promise, size_t at = 0) {
    if (!kept)
        broken(promise, at);
}

void checkScene(const MeshformScene& scene) {
    const size_t vertices = scene.positions.size() / 3, triangles = scene.corners.size() / 3;
    check(scene.positions.size() % 3 == 0 && scene.corners.size() % 3 == 0, "whole vertices and triangles");
    check(vertices <= MeshformScene::kMaxVertices, "vertex cap", vertices);
    check(triangles <= MeshformScene::kMaxTriangles, "triangle cap", triangles);
    check(scene.materials.size() <= MeshformScene::kMaxMaterials, "material cap", scene.materials.size());
    check(scene.normals.size() == 3 * vertices, "a normal per vertex", scene.normals.size());
    check(scene.texCoords.size() == 2 * vertices && scene.hasTexCoords.size() == vertices,
          "texture coordinates per vertex");
    check(scene.triangleMaterial.size() == triangles, "a material per triangle", scene.triangleMaterial.size());
    for (size_t i = 0; i < scene.corners.size(); ++i)
        check(scene.corners[i] < vertices, "corners name vertices", i);
    for (size_t v = 0; v < vertices; ++v) {
        const float* n = &scene.normals[3 * v];
        const double length = std::sqrt(double(n[0]) * n[0] + double(n[1]) * n[1] + double(n[2]) * n[2]);
        check(length == 0.0 || std::fabs(length - 1.0) < 1e-3, "normals of unit length or none", v);
    }
    // Grouped by material: once a material's run of triangles ends, it does not come back.
    std::set<int> done;
    for (size_t t = 0; t < triangles; ++t) {
        const int material = scene.triangleMaterial[t];
        check(material >= -1 && material < static_cast<int>(scene.materials.size()), "materials in range", t);
        if (t > 0 && material != scene.triangleMaterial[t - 1])
            check(done.insert(scene.triangleMaterial[t - 1]).second && !done.count(material),
                  "triangles grouped by material", t);
    }
    for (const MeshformScene::Texture& texture : scene.materials)
        check(texture.embedded >= -1 && (texture.embedded < 0 || texture.file.empty()),
              "a texture is a file or embedded");
    check(scene.upAxis >= 0 && scene.upAxis <= 2 && (scene.upSign == 1 || scene.upSign == -1), "an up axis");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const std::string path =
        writeScratch(std::string("model.") + kExtensions[data[0] % kExtensionCount], data + 1, size - 1);
    MeshformScene scene;
    if (SceneReader::read(path, &scene))
        checkScene(scene);
    else
        check(!scene.problem.empty(), "a refusal says why");
    std::remove(path.c_str());
    return 0;
}
