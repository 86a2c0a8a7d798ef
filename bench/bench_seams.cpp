// Cost of a dab on a skin laid out in many islands (IslandGrid), with the
// brush's mirror and seam bleed; also the first dab of a fresh model, which
// builds the skin's coverage mask.
#include <benchmark/benchmark.h>

#include <memory>

#include "bench/IslandGrid.h"
#include "paint/brush/BrushModel.h"

namespace {

// The start-up brush (radius 1, about 100 texels) halfway out along +x, off every vertex.
void placeBrush(BrushModel& brush, const benchmark::State& state) {
    brush.setAttribute("x", IslandGrid::kSide / 4 + 0.013);
    brush.setAttribute("y", 0.029);
    brush.setAttribute("bleed", static_cast<double>(state.range(0)));
    brush.setAttribute("mirror", static_cast<double>(state.range(1)));
}

void BM_IslandDab(benchmark::State& state) {
    IslandGrid model(false);
    BrushModel brush("brush");
    placeBrush(brush, state);
    model.paintModel(&brush);  // the coverage mask is built here, before timing
    for (auto _ : state) {
        model.paintModel(&brush);
        model.forgetUploads();
    }
}
BENCHMARK(BM_IslandDab)
    ->Args({0, 0})
    ->Args({2, 0})
    ->Args({16, 0})
    ->Args({2, 1})
    ->ArgNames({"bleed", "mirror"})
    ->Unit(benchmark::kMicrosecond);

// A fresh model's first dab: the mask of the skin is built, then the dab painted and bled.
void BM_IslandFirstDab(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto model = std::make_unique<IslandGrid>(false);
        BrushModel brush("brush");
        placeBrush(brush, state);
        state.ResumeTiming();
        model->paintModel(&brush);
        state.PauseTiming();
        model.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_IslandFirstDab)->Args({2, 0})->ArgNames({"bleed", "mirror"})->Unit(benchmark::kMillisecond);

}  // namespace
