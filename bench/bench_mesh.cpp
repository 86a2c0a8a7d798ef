// Cost of opening a mesh model: the Meshform plug-in's create (import, the
// flattened scene, the mesh built and the skins decoded, as the program does
// it) beside a bare Assimp import of the same file with the same processing
// steps, back to back in every iteration. Each is timed in processor time of
// the whole process (picture decoders may run threads), so that a machine
// busy with other work does not count. "ratio" is the plug-in's time over the
// bare import's. The model
// is a cached glTF of 37,116 triangles and six pictures; absent, it is skipped.
#include <benchmark/benchmark.h>

#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <assimp/Importer.hpp>

#include <time.h>

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

double processMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// The import Meshform does, without the program's own checks between reading and processing.
bool importBare(const std::string& path) {
    Assimp::Importer importer;
    importer.SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE, aiPrimitiveType_POINT | aiPrimitiveType_LINE);
    const aiScene* scene = importer.ReadFile(path, aiProcess_Triangulate | aiProcess_JoinIdenticalVertices |
                                                       aiProcess_GenSmoothNormals | aiProcess_SortByPType);
    benchmark::DoNotOptimize(scene);
    return scene != nullptr;
}

void BM_MeshformLoadAgainstAssimp(benchmark::State& state) {
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
    double meshform = 0.0, assimp = 0.0;
    for (auto _ : state) {
        double start = processMilliseconds();
        if (!importBare(path)) {
            state.SkipWithError("Assimp could not read the model");
            return;
        }
        const double bare = processMilliseconds() - start;
        start = processMilliseconds();
        AnimatedModel* model = create(path.c_str());
        if (!model) {
            state.SkipWithError("the model could not be read");
            return;
        }
        delete model;
        const double loaded = processMilliseconds() - start;
        assimp += bare;
        meshform += loaded;
        state.SetIterationTime((bare + loaded) / 1e3);
    }
    state.counters["assimp_ms"] = benchmark::Counter(assimp, benchmark::Counter::kAvgIterations);
    state.counters["meshform_ms"] = benchmark::Counter(meshform, benchmark::Counter::kAvgIterations);
    state.counters["ratio"] = assimp > 0.0 ? meshform / assimp : 0.0;
}
BENCHMARK(BM_MeshformLoadAgainstAssimp)->Unit(benchmark::kMillisecond)->UseManualTime();

}  // namespace
