// A painting drag on a 20,000-triangle model with a 1024 x 1024 skin laid
// out in islands (IslandGrid), turned and scaled in the scene: the surface
// under one cursor position found by a ray, and the whole frame of one motion
// event as the window runs it (the path walked and picked every few pixels,
// the dabs laid with seam bleed, the changed texels uploaded, the scene drawn).
// The frame needs an X display (run under xvfb-run); skipped without one.
#include <GL/freeglut.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <random>

#include "bench/BenchWindow.h"
#include "bench/IslandGrid.h"
#include "paint/PaintSession.h"
#include "paint/SurfaceProbe.h"
#include "paint/brush/BrushModel.h"
#include "paint/history/PaintRecorder.h"
#include "scene/ModelListLock.h"
#include "scene/SceneState.h"
#include "viewer/BrushGestures.h"
#include "viewer/Render.h"
#include "viewer/Startup.h"

namespace {

const int kWindow = 500;
// A quick drag: 400 pixels in ten motion events.
const int kEventPixels = 40;

void place(IslandGrid& model) {
    model.setAttribute("rotation_x", -20.0);
    model.setAttribute("rotation_y", 15.0);
    model.setAttribute("scale", 0.6);
}

// Rays from in front of the model through random points of its face.
void BM_SurfacePick(benchmark::State& state) {
    IslandGrid model(false);
    place(model);
    std::mt19937 random(7);
    std::uniform_real_distribution<double> across(-2.5, 2.5);
    SurfaceProbe probe(model);
    long long hits = 0;
    for (auto _ : state) {
        const double from[3] = {across(random), across(random), 20.0}, through[3] = {from[0], from[1], -20.0};
        SurfaceRay::Hit hit;
        hits += probe.underRay(from, through, hit);
    }
    state.counters["hit_share"] = benchmark::Counter(static_cast<double>(hits), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_SurfacePick)->Unit(benchmark::kMicrosecond);

bool makeWindow() {
    static int window = 0;
    if (!window) {
        if (!(window = openBenchWindow("bench stroke", kWindow)))
            return false;
    }
    glutSetWindow(window);
    glEnable(GL_DEPTH_TEST);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glViewport(0, 0, kWindow, kWindow);
    reshapeCallback(kWindow, kWindow);
    initMatrices();
    return true;
}

// The scene holds the model and the brush with painting on, for one benchmark.
struct PaintingScene {
    IslandGrid model{true};
    BrushModel brushModel{"brush"};
    PaintSession session;

    PaintingScene() {
        place(model);
        ModelListLock lock;
        models["islands"] = &model;
        models["brush"] = &brushModel;
        current_model = &model;
        brush = &brushModel;
        paint_session = &session;
        paint_recorder = &session;
        painting = true;
        surface_painting = true;
    }
    ~PaintingScene() {
        session.endDrag();
        ModelListLock lock;
        models.clear();
        current_model = nullptr;
        brush = nullptr;
        paint_session = nullptr;
        paint_recorder = nullptr;
        painting = false;
    }
};

// One motion event of a drag across the model and the frame that shows it,
// back and forth over 400 pixels; the counter "dabs" is the paint calls per event.
void BM_SurfaceDragFrame(benchmark::State& state) {
    if (!makeWindow()) {
        state.SkipWithError("no X display");
        return;
    }
    PaintingScene scene;
    scene.brushModel.setAttribute("bleed", static_cast<double>(state.range(0)));
    scene.brushModel.setAttribute("mirror", static_cast<double>(state.range(1)));
    display();  // the first draw makes the texture
    glFinish();
    int x = 50, step = kEventPixels;
    if (!startSurfaceDrag(x, kWindow / 2)) {
        state.SkipWithError("the drag did not start on the model");
        return;
    }
    double painted = 0.0, shown = 0.0;
    for (auto _ : state) {
        if (x + step < 50 || x + step > kWindow - 50)
            step = -step;
        x += step;
        const auto start = std::chrono::steady_clock::now();
        surfaceDragTo(x, kWindow / 2);
        const auto middle = std::chrono::steady_clock::now();
        display();
        glFinish();
        painted += std::chrono::duration<double, std::milli>(middle - start).count();
        shown += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - middle).count();
    }
    // The frame's two halves: the path walked and painted, then the upload and the drawing.
    state.counters["paint_ms"] = benchmark::Counter(painted, benchmark::Counter::kAvgIterations);
    state.counters["show_ms"] = benchmark::Counter(shown, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_SurfaceDragFrame)
    ->Args({2, 0})
    ->Args({2, 1})
    ->ArgNames({"bleed", "mirror"})
    ->Unit(benchmark::kMillisecond);

}  // namespace
