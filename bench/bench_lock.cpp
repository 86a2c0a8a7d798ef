// How long each side of the model-list mutex is kept waiting by the other.
// The window is played by the benchmark's own thread, which owns the GL
// context; the console by a second thread. Save: the console runs the real
// `save skins` line on a model with one 1024 x 1024 skin, once per format the
// program writes, while the window takes the lock every 0.2 ms; the counters
// are the window's longest and summed waits per command. Animating: the
// window steps and draws a scene with a model playing a repeating script every
// 20 ms tick, as GLUT calls the timer and the display, while the console takes
// the lock at random moments; the counters are the console's waits and the
// window's frame times. Needs an X display (run under xvfb-run).
#include <GL/freeglut.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bench/BenchWindow.h"
#include "console/CommandTable.h"
#include "paint/PaintableModel.h"
#include "plugins/ClassRegistry.h"
#include "scene/ModelListLock.h"
#include "scene/SceneState.h"
#include "viewer/ModelPasses.h"
#include "viewer/Render.h"
#include "viewer/Startup.h"

namespace {

using Clock = std::chrono::steady_clock;
using Millis = std::chrono::duration<double, std::milli>;

const int kSkinSide = 1024;
const int kWindow = 500;
const auto kTick = std::chrono::milliseconds(20);

// ---------------------------------------------------------------- the window and the console

bool makeWindow() {
    static int window = 0;
    if (!window) {
        if (!(window = openBenchWindow("bench lock", kWindow)))
            return false;
        glEnable(GL_DEPTH_TEST);
        glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
        initMatrices();
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        setUpProjection(kWindow, kWindow);
    }
    glutSetWindow(window);
    return true;
}

// Runs console lines as the console thread does, their output to /dev/null.
class Console {
public:
    Console() {
        if (commandMap.empty())
            registerCommands();
        std::fflush(stdout);
        saved_ = dup(STDOUT_FILENO);
        const int devnull = open("/dev/null", O_WRONLY);
        dup2(devnull, STDOUT_FILENO);
        close(devnull);
    }
    ~Console() {
        std::fflush(stdout);
        dup2(saved_, STDOUT_FILENO);
        close(saved_);
    }
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    static void run(std::string line) { executeLine(&line[0]); }

private:
    int saved_;
};

// ---------------------------------------------------------------- the skins

// A flat square of two triangles, made through the class registry so that the
// console creates it as it creates any model; its skin comes from `load skin`.
class Canvas : public PaintableModel {
public:
    explicit Canvas(const char* name) : PaintableModel(name) {
        class_name = "LockBenchCanvas";
        addNormal(0.0f, 0.0f, 1.0f);
        const float corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
        for (const auto& c : corners) {
            addVertex(c[0], c[1], 0.0f);
            addTexCoord(c[0], c[1]);
        }
        const unsigned int corner_ids[2][3] = {{0, 1, 2}, {0, 2, 3}};
        for (const auto& t : corner_ids) {
            const int id = addTriangle(t[0], t[1], t[2]);
            for (unsigned int j = 0; j < 3; ++j) {
                setTexCoord(id, j, t[j]);
                setNormal(id, j, 0);
            }
            setTexture(id, 1);
        }
    }
    static AnimatedModel* create(const char* name) { return new Canvas(name); }
};

void putLittle16(std::vector<unsigned char>& out, size_t at, int value) {
    out[at] = static_cast<unsigned char>(value & 0xff);
    out[at + 1] = static_cast<unsigned char>((value >> 8) & 0xff);
}

// A 256-colour, one-plane PCX as MD2 skins come, run-length encoded: smooth
// bands with a little texel noise, so that no encoder meets a trivial picture.
std::vector<unsigned char> paletteSkin(int side) {
    std::vector<unsigned char> file(128, 0);
    file[0] = 10, file[1] = 5, file[2] = 1, file[3] = 8, file[65] = 1;
    putLittle16(file, 8, side - 1);
    putLittle16(file, 10, side - 1);
    putLittle16(file, 12, 72);
    putLittle16(file, 14, 72);
    putLittle16(file, 66, side);
    putLittle16(file, 68, 1);
    unsigned int noise = 12345;
    for (int y = 0; y < side; ++y) {
        std::vector<unsigned char> row(static_cast<size_t>(side));
        for (int x = 0; x < side; ++x) {
            noise = noise * 1103515245u + 12345u;
            row[static_cast<size_t>(x)] = static_cast<unsigned char>(((x / 16 + y / 24) * 5 + (noise >> 29)) & 0xff);
        }
        for (size_t x = 0; x < row.size();) {
            size_t run = 1;
            while (x + run < row.size() && run < 63 && row[x + run] == row[x])
                ++run;
            if (run > 1 || row[x] >= 0xc0)
                file.push_back(static_cast<unsigned char>(0xc0 | run));
            file.push_back(row[x]);
            x += run;
        }
    }
    file.push_back(12);
    for (int i = 0; i < 256; ++i) {
        file.push_back(static_cast<unsigned char>(i));
        file.push_back(static_cast<unsigned char>((i * 7) & 0xff));
        file.push_back(static_cast<unsigned char>(255 - i));
    }
    return file;
}

// Scratch folder of the run: one folder per format, so that no ".pcx" skin
// finds a ".bmp" beside it to read instead.
// Removed when the process ends.
std::string scratch() {
    static const struct Folder {
        Folder() {
            const char* tmp = std::getenv("TMPDIR");
            path = std::string(tmp && *tmp ? tmp : "/tmp") + "/velmora-bench-lock-" + std::to_string(getpid());
            std::filesystem::create_directories(path);
        }
        ~Folder() {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
        std::string path;
    } folder;
    return folder.path;
}

std::string skinPath(const char* ext) {
    return scratch() + "/" + (ext + 1) + "/skin" + ext;
}

// Has the window thread (this one) create the textures that `load skin` queued.
void drawOnce(const char* model) {
    ModelListLock lock;
    models.find(model)->second->draw();
}

// Writes the palette PCX, then the same picture in every other format through
// the program's own `save skin`; false when a file is missing afterwards.
bool writeSkins(const std::vector<const char*>& extensions) {
    static bool written = false;
    if (written)
        return true;
    model_classes[const_cast<char*>("LockBenchCanvas")] = Canvas::create;
    for (const char* ext : extensions)
        std::filesystem::create_directories(scratch() + "/" + (ext + 1));
    const std::vector<unsigned char> pcx = paletteSkin(kSkinSide);
    if (FILE* f = std::fopen(skinPath(".pcx").c_str(), "wb")) {
        std::fwrite(pcx.data(), 1, pcx.size(), f);
        std::fclose(f);
    }
    Console::run("new model LockBenchCanvas source");
    Console::run("load skin 1 " + skinPath(".pcx"));
    drawOnce("source");
    for (const char* ext : extensions)
        if (std::string(ext) != ".pcx")
            Console::run("save skin 1 " + skinPath(ext));
    Console::run("delete source");
    written = true;
    for (const char* ext : extensions)
        written = written && std::filesystem::file_size(skinPath(ext)) > 0;
    return written;
}

// ---------------------------------------------------------------- save skins

const std::vector<const char*> kFormats = {".bmp", ".png", ".jpg", ".pcx", ".tga"};

void BM_WindowWaitDuringSaveSkins(benchmark::State& state) {
    const char* ext = kFormats[static_cast<size_t>(state.range(0))];
    state.SetLabel(ext);
    if (!makeWindow()) {
        state.SkipWithError("no X display");
        return;
    }
    Console console;
    if (!writeSkins(kFormats)) {
        state.SkipWithError("the skins could not be written");
        return;
    }
    const std::string model = std::string("canvas_") + (ext + 1);
    Console::run("new model LockBenchCanvas " + model);
    Console::run("load skin 1 " + skinPath(ext));
    drawOnce(model.c_str());
    double longest = 0.0, total = 0.0;
    for (auto _ : state) {
        std::atomic<bool> done = false;
        Clock::time_point started, finished;
        std::thread console_thread([&] {
            started = Clock::now();
            Console::run("save skins");
            finished = Clock::now();
            done = true;
        });
        while (!done) {
            const auto asked = Clock::now();
            { ModelListLock lock; }
            const double waited = Millis(Clock::now() - asked).count();
            longest = std::max(longest, waited);
            total += waited;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        console_thread.join();
        state.SetIterationTime(std::chrono::duration<double>(finished - started).count());
    }
    Console::run("delete " + model);
    state.counters["max_wait_ms"] = longest;
    state.counters["total_wait_ms"] = benchmark::Counter(total, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_WindowWaitDuringSaveSkins)
    ->DenseRange(0, 4)
    ->ArgName("format")
    ->Iterations(4)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------- the console behind an animated window

// A flat grid of quads, two triangles each, in front of the camera.
class Grid : public PaintableModel {
public:
    explicit Grid(int count) : PaintableModel("grid") {
        class_name = "LockBenchGrid";
        const int cols = 50, rows = std::max(1, count / (2 * cols));
        const float side = 6.0f;
        for (int j = 0; j <= rows; ++j)
            for (int i = 0; i <= cols; ++i)
                addVertex(side * i / cols - side / 2, 12.0f + side * j / rows - side / 2, 0.0f);
        addNormal(0.0f, 0.0f, 1.0f);
        auto corner = [&](int i, int j) { return static_cast<unsigned int>(j * (cols + 1) + i); };
        for (int j = 0; j < rows; ++j)
            for (int i = 0; i < cols; ++i) {
                const unsigned int quad[2][3] = {{corner(i, j), corner(i + 1, j), corner(i + 1, j + 1)},
                                                 {corner(i, j), corner(i + 1, j + 1), corner(i, j + 1)}};
                for (const auto& t : quad) {
                    const int id = addTriangle(t[0], t[1], t[2]);
                    for (unsigned int c = 0; c < 3; ++c)
                        setNormal(id, c, 0);
                }
            }
        // Turns about its centre for as long as the benchmark runs.
        newScript("turn");
        for (double angle : {0.0, 180.0, 360.0}) {
            position pose;
            pose["rotation_z"] = angle;
            appendPose(&pose, 25, INT_LINEAR);
        }
        setScriptBehavior("turn", SCR_REPEAT);
        runScript("turn");
    }
};

// Console holds, each taken after a pause of 0 to 7 ms, as commands typed or
// read from a file come; the window ticks and draws as GLUT would have it.
// Besides the waits: the most frames the window finished while one hold waited.
void BM_ConsoleWaitWhileAnimating(benchmark::State& state) {
    if (!makeWindow()) {
        state.SkipWithError("no X display");
        return;
    }
    Grid* grid = new Grid(static_cast<int>(state.range(0)));
    {
        ModelListLock lock;
        models["grid"] = grid;
    }
    display();  // the first frame gathers the mesh into its draw batches
    const int holds = 200;
    std::vector<double> waits;
    std::atomic<int> frames = 0;
    int most_frames = 0;
    double frame_total = 0.0, frame_longest = 0.0;
    for (auto _ : state) {
        std::atomic<bool> done = false;
        waits.clear();
        std::thread console_thread([&] {
            unsigned int pause = 1;
            for (int i = 0; i < holds; ++i) {
                pause = pause * 1103515245u + 12345u;
                std::this_thread::sleep_for(std::chrono::microseconds((pause >> 16) % 7000));
                const int before = frames.load();
                const auto asked = Clock::now();
                ModelListLock lock;
                waits.push_back(Millis(Clock::now() - asked).count());
                most_frames = std::max(most_frames, frames.load() - before);
            }
            done = true;
        });
        while (!done) {
            // The timer asks for its next tick once it has stepped; the frame follows at once.
            bool moved = false;
            {
                ModelListLock lock;
                moved = stepModels();
            }
            const auto next = Clock::now() + kTick;
            if (moved) {
                const auto drawing = Clock::now();
                display();
                const double took = Millis(Clock::now() - drawing).count();
                frames.fetch_add(1);
                frame_total += took;
                frame_longest = std::max(frame_longest, took);
            }
            std::this_thread::sleep_until(next);
        }
        console_thread.join();
        std::sort(waits.begin(), waits.end());
        state.counters["max_wait_ms"] = std::max(state.counters["max_wait_ms"].value, waits.back());
        state.counters["p99_wait_ms"] = waits[waits.size() * 99 / 100];
        state.counters["median_wait_ms"] = waits[waits.size() / 2];
    }
    {
        ModelListLock lock;
        models.erase("grid");
    }
    delete grid;
    state.counters["frame_ms"] = frames > 0 ? frame_total / frames : 0.0;
    state.counters["max_frame_ms"] = frame_longest;
    state.counters["max_frames_waited"] = most_frames;
}
BENCHMARK(BM_ConsoleWaitWhileAnimating)
    ->Arg(2000)
    ->Arg(200000)
    ->Arg(1000000)
    ->ArgName("triangles")
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

}  // namespace
