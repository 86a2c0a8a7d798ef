// Cost of opening a mesh model: the Meshform plug-in's create (import, the
// flattened scene, the mesh built and the skins decoded, as the program does
// it) beside a bare Assimp import of the same file with the same
// post-processing, so the difference is what the program adds. The model is
// a cached glTF of 37,116 triangles and six pictures; absent, both are skipped.
#include <benchmark/benchmark.h>

#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <assimp/Importer.hpp>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "plugins/ClassRegistry.h"

namespace {

std::string clearCoatModel() {
    const char* cache = std::getenv("VELMORA_MESH_CACHE");
    const char* home = std::getenv("HOME");
    const std::string folder = cache && *cache ? cache : std::string(home ? home : "") + "/.cache/velmora/meshes";
    return folder + "/gltf-clearcoat/ClearCoatTest.gltf";
}

void BM_MeshformLoad(benchmark::State& state) {
    const std::string path = clearCoatModel();
    if (!std::filesystem::is_regular_file(path)) {
        state.SkipWithError("the cached glTF model is absent");
        return;
    }
    const char* failure = loadClassLibrary(VELMORA_PLUGIN_DIR "/Meshform.so");
    const model_factory create = failure ? nullptr : findModelClass("Meshform");
    if (!create) {
        state.SkipWithError("the Meshform plug-in did not load");
        return;
    }
    for (auto _ : state) {
        AnimatedModel* model = create(path.c_str());
        if (!model) {
            state.SkipWithError("the model could not be read");
            return;
        }
        delete model;
    }
}
BENCHMARK(BM_MeshformLoad)->Unit(benchmark::kMillisecond);

void BM_AssimpImport(benchmark::State& state) {
    const std::string path = clearCoatModel();
    if (!std::filesystem::is_regular_file(path)) {
        state.SkipWithError("the cached glTF model is absent");
        return;
    }
    for (auto _ : state) {
        Assimp::Importer importer;
        importer.SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE, aiPrimitiveType_POINT | aiPrimitiveType_LINE);
        const aiScene* scene = importer.ReadFile(path, aiProcess_ValidateDataStructure | aiProcess_Triangulate |
                                                           aiProcess_JoinIdenticalVertices |
                                                           aiProcess_GenSmoothNormals | aiProcess_SortByPType);
        if (!scene) {
            state.SkipWithError("Assimp could not read the model");
            return;
        }
        benchmark::DoNotOptimize(scene->mNumMeshes);
    }
}
BENCHMARK(BM_AssimpImport)->Unit(benchmark::kMillisecond);

}  // namespace
