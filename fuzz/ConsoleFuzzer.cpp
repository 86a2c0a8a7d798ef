// Console lines from hostile bytes, without a window: each input line runs
// through executeLine against a fresh scene (the brush, the "Default"
// bindings, a plain model and a paintable square with a skin), and every
// model is stepped a few ticks after each line as the window's timer would.
// It all happens inside the scratch folder: lines naming a path (any '/')
// and loadclass are dropped, so nothing outside is read, written or loaded.
// The model-list mutex checks errors, and a line that leaves it held aborts.
#include <readline/history.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "console/CommandTable.h"
#include "console/Console.h"
#include "fuzz/FuzzScratch.h"
#include "model/OwnedPose.h"
#include "paint/PaintSession.h"
#include "paint/PaintableModel.h"
#include "paint/brush/BrushModel.h"
#include "paint/image/BmpFormat.h"
#include "plugins/ClassRegistry.h"
#include "scene/SceneState.h"
#include "tests/model/TestModel.h"

namespace {

const char kSkinFile[] = "skin.bmp";
const int kTicksPerLine = 3;

// A unit square of two textured triangles in the z = 0 plane, its skin read
// from the scratch folder as texture 1.
class Canvas : public PaintableModel {
public:
    explicit Canvas(const char* name) : PaintableModel(name) {
        class_name = "Canvas";
        addNormal(0.0f, 0.0f, 1.0f);
        addVertex(0.0f, 0.0f, 0.0f);
        addVertex(1.0f, 0.0f, 0.0f);
        addVertex(1.0f, 1.0f, 0.0f);
        addVertex(0.0f, 1.0f, 0.0f);
        addTexCoord(0.0f, 0.0f);
        addTexCoord(1.0f, 0.0f);
        addTexCoord(1.0f, 1.0f);
        addTexCoord(0.0f, 1.0f);
        const unsigned int corners[2][3] = {{0, 1, 2}, {0, 2, 3}};
        for (const auto& c : corners) {
            int id = addTriangle(c[0], c[1], c[2]);
            for (unsigned int j = 0; j < 3; ++j) {
                setTexCoord(id, j, c[j]);
                setNormal(id, j, 0);
            }
            setTexture(id, 1);
        }
        std::string skin(kSkinFile);
        if (Image* image = Image::load(&skin)) {
            image->setTexture(1);
            textures[1] = image;
        }
    }
    void modelInit() override {}
};

AnimatedModel* makeTester(const char* name) {
    return new TestModel(name);
}

AnimatedModel* makeCanvas(const char* name) {
    return new Canvas(name);
}

void writeSkin() {
    std::vector<unsigned char> rgb(8 * 8 * 3);
    for (size_t i = 0; i < rgb.size(); ++i)
        rgb[i] = static_cast<unsigned char>(i * 7);
    const std::vector<unsigned char> bytes = encodeBmp24(8, 8, rgb.data(), 2835);
    writeScratch(kSkinFile, bytes.data(), bytes.size());
}

// The scratch folder emptied but for a fresh skin, so no input sees the files of another.
void resetFolder() {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(fuzzScratch().root, ignored))
        std::filesystem::remove_all(entry.path(), ignored);
    writeSkin();
}

void addModel(AnimatedModel* (*make)(const char*), const char* name) {
    char* owned = strdup(name);
    models[owned] = make(owned);
}

void setUpScene() {
    pthread_mutex_destroy(&modelListMutex);
    modelListMutex = PTHREAD_ERRORCHECK_MUTEX_INITIALIZER_NP;
    char* brushName = strdup("brush");
    brush = new BrushModel(brushName);
    models[brushName] = brush;
    addModel(makeCanvas, "canvas");
    addModel(makeTester, "tester");
    current_model = models["tester"];
    model_classes = {{const_cast<char*>("Tester"), makeTester}, {const_cast<char*>("Canvas"), makeCanvas}};
    initControls();
    control_step = 4.0;
    for (int i = 0; i < 3; ++i) {
        background_color[i] = 0.0;
        handle_color[i] = i == 0 ? 1.0f : 0.0f;
    }
    quit = showFPS = showPos = painting = game_mode = false;
}

void tearDownScene() {
    for (auto& [name, model] : models) {
        delete model;
        std::free(const_cast<char*>(name));
    }
    models.clear();
    for (auto& [name, pose] : poses) {
        freePoseOwningNames(pose);
        std::free(const_cast<char*>(name));
    }
    poses.clear();
    for (auto& [name, scheme] : control_schemes) {
        for (auto& binding : *scheme)
            std::free(const_cast<char*>(binding.second));
        delete scheme;
    }
    control_schemes.clear();
    current_controls = nullptr;
    current_model = nullptr;
    brush = nullptr;
    clear_history();
}

// Lines that would reach outside the scratch folder or load code.
bool harmless(const std::string& line) {
    if (line.find('/') != std::string::npos)
        return false;
    const size_t start = line.find_first_not_of(" \t");
    return start == std::string::npos || line.compare(start, 9, "loadclass") != 0;
}

void stepEveryModel() {
    for (int tick = 0; tick < kTicksPerLine; ++tick)
        for (auto& entry : models)
            entry.second->step();
}

void runLine(std::string line) {
    if (!harmless(line))
        return;
    executeLine(&line[0]);
    if (pthread_mutex_trylock(&modelListMutex) == EBUSY)
        std::abort();  // a command left the model list locked
    pthread_mutex_unlock(&modelListMutex);
    stepEveryModel();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = [] {
        registerCommands();
        paint_session = new PaintSession;  // as start-up makes it, so paint and undo record
        paint_recorder = paint_session;
        return chdir(fuzzScratch().root.c_str()) == 0;
    }();
    if (!ready)
        std::abort();
    resetFolder();
    setUpScene();
    const std::string input(reinterpret_cast<const char*>(data), size);
    size_t start = 0;
    while (start <= input.size()) {
        size_t end = input.find('\n', start);
        if (end == std::string::npos)
            end = input.size();
        // A NUL ends the line, as it ends the C string executeLine receives.
        runLine(std::string(input.c_str() + start, std::min(end - start, std::strlen(input.c_str() + start))));
        start = end + 1;
    }
    tearDownScene();
    return 0;
}
