// Cost of a dab on a skin laid out in many islands, with the brush's mirror
// and seam bleed: a flat 100 x 100 grid (20,000 triangles) centred on its own
// origin, each quad mapped to its own island of a 1024 x 1024 skin with bare
// texels around it, so a dab's edge crosses seams everywhere. Also the first
// dab of a fresh model, which builds the skin's coverage mask.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "paint/PaintableModel.h"
#include "paint/brush/BrushModel.h"
#include "paint/image/BmpFormat.h"
#include "paint/image/Image.h"

namespace {

const float kSide = 10.0f;
const int kCells = 100;
const int kSkin = 1024;
const float kIsland = 0.8f;  // the share of its cell each quad's island spans

class IslandGrid : public PaintableModel {
public:
    IslandGrid() : PaintableModel("islands") {
        skin_ = "/tmp/velmora-bench-islands-" + std::to_string(getpid()) + ".bmp";
        const std::vector<unsigned char> pixels(3 * static_cast<size_t>(kSkin) * kSkin, 128);
        const std::vector<unsigned char> file = encodeBmp24(kSkin, kSkin, pixels.data(), 0);
        FILE* f = fopen(skin_.c_str(), "wb");
        fwrite(file.data(), 1, file.size(), f);
        fclose(f);
        addNormal(0, 0, 1);
        const float cell = 1.0f / kCells, margin = (1.0f - kIsland) / 2 * cell;
        for (int j = 0; j < kCells; ++j)
            for (int i = 0; i < kCells; ++i) {
                int v[4], tc[4];
                for (int k = 0; k < 4; ++k) {
                    const int di = k == 1 || k == 2, dj = k >= 2;
                    const float x = (i + di) * cell, y = (j + dj) * cell;
                    v[k] = addVertex((x - 0.5f) * kSide, (y - 0.5f) * kSide, 0);
                    tc[k] =
                        addTexCoord(i * cell + margin + di * kIsland * cell, j * cell + margin + dj * kIsland * cell);
                }
                const int corners[2][3] = {{0, 1, 2}, {0, 2, 3}};
                for (const auto& three : corners) {
                    const int id = addTriangle(v[three[0]], v[three[1]], v[three[2]]);
                    for (int k = 0; k < 3; ++k) {
                        setNormal(id, k, 0);
                        setTexCoord(id, k, tc[three[k]]);
                    }
                    setTexture(id, 1);
                }
            }
        Image* image = Image::load(&skin_);
        image->setTexture(1);
        textures[1] = image;
    }
    ~IslandGrid() override { unlink(skin_.c_str()); }
    void forgetUploads() { texturesToReload.clear(); }

private:
    std::string skin_;
};

// The start-up brush (radius 1, about 100 texels) halfway out along +x, off every vertex.
void placeBrush(BrushModel& brush, const benchmark::State& state) {
    brush.setAttribute("x", kSide / 4 + 0.013);
    brush.setAttribute("y", 0.029);
    brush.setAttribute("bleed", static_cast<double>(state.range(0)));
    brush.setAttribute("mirror", static_cast<double>(state.range(1)));
}

void BM_IslandDab(benchmark::State& state) {
    IslandGrid model;
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
        auto model = std::make_unique<IslandGrid>();
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
