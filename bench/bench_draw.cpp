// Drawing a flat textured grid of N triangles (1k, 5k, 20k, 100k) in one
// window, camera, light set-up and texture, two ways back to back in every
// iteration: a plain vertex-array program (three pointers, one glDrawArrays)
// and PaintableModel::draw on a model with the same triangles. The counter
// "ratio" is the model's time over the plain program's. Also: a plain program
// from a buffer object, and the model when its mesh moves before every draw.
// Needs an X display (run under xvfb-run); skipped without one.
#define GL_GLEXT_PROTOTYPES
#include <GL/freeglut.h>
#include <GL/gl.h>
#include <GL/glext.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/BenchWindow.h"
#include "paint/PaintableModel.h"
#include "paint/image/BmpFormat.h"
#include "viewer/Render.h"

namespace {

const float kSide = 10.0f;
const int kWindow = 500;

// Columns and rows of quads for N triangles.
void gridSize(int triangles, int* cols, int* rows) {
    switch (triangles) {
        case 1000: *cols = 25, *rows = 20; break;
        case 5000: *cols = 50, *rows = 50; break;
        case 20000: *cols = 100, *rows = 100; break;
        default: *cols = 250, *rows = triangles / 500; break;
    }
}

// A 256 x 256 BMP with a pattern, written to a temporary file.
std::string writeSkin() {
    const int size = 256;
    std::string name = "/tmp/velmora-bench-draw-" + std::to_string(getpid()) + ".bmp";
    std::vector<unsigned char> rgb(3 * size * size);
    for (size_t i = 0; i < rgb.size(); ++i)
        rgb[i] = static_cast<unsigned char>(i * 7 + i / 768 * 13);
    const std::vector<unsigned char> file = encodeBmp24(size, size, rgb.data(), 0);
    FILE* f = fopen(name.c_str(), "wb");
    fwrite(file.data(), 1, file.size(), f);
    fclose(f);
    return name;
}

// A cols x rows grid of quads in z = 0, two triangles each, textured edge to edge.
class GridModel : public PaintableModel {
public:
    GridModel(int cols, int rows) : PaintableModel("grid"), skin_(writeSkin()) {
        class_name = "GridModel";
        for (int j = 0; j <= rows; ++j)
            for (int i = 0; i <= cols; ++i) {
                const float s = static_cast<float>(i) / cols, t = static_cast<float>(j) / rows;
                addVertex(s * kSide, t * kSide, 0);
                addTexCoord(s, t);
            }
        addNormal(0, 0, 1);
        auto corner = [&](int i, int j) { return static_cast<unsigned int>(j * (cols + 1) + i); };
        for (int j = 0; j < rows; ++j)
            for (int i = 0; i < cols; ++i) {
                const unsigned int quad[2][3] = {{corner(i, j), corner(i + 1, j), corner(i + 1, j + 1)},
                                                 {corner(i, j), corner(i + 1, j + 1), corner(i, j + 1)}};
                for (const auto& tri : quad) {
                    const int id = addTriangle(tri[0], tri[1], tri[2]);
                    for (unsigned int c = 0; c < 3; ++c) {
                        setNormal(id, c, 0);
                        setTexCoord(id, c, tri[c]);
                        positions_.insert(positions_.end(), getVertex(tri[c])->pos, getVertex(tri[c])->pos + 3);
                        normals_.insert(normals_.end(), {0.0f, 0.0f, 1.0f});
                        texCoords_.insert(texCoords_.end(), {getTexCoord(tri[c])->s, getTexCoord(tri[c])->t});
                    }
                }
            }
    }
    ~GridModel() override { unlink(skin_.c_str()); }

    // Loads the skin as a GL texture and gives it to every triangle (GL thread only).
    void modelInit() override {
        std::vector<Image::Decoded> pictures;
        pictures.push_back(Image::read(skin_));
        adoptTextures(pictures, &texture_);
        for (unsigned int id = 0; getTriangle(id); ++id)
            setTexture(id, texture_);
    }

    // The same triangles drawn by a plain vertex-array program.
    void drawPlain() {
        glBindTexture(GL_TEXTURE_2D, texture_);
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_NORMAL_ARRAY);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glVertexPointer(3, GL_FLOAT, 0, positions_.data());
        glNormalPointer(GL_FLOAT, 0, normals_.data());
        glTexCoordPointer(2, GL_FLOAT, 0, texCoords_.data());
        glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(positions_.size() / 3));
        glDisableClientState(GL_VERTEX_ARRAY);
        glDisableClientState(GL_NORMAL_ARRAY);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        glBindTexture(GL_TEXTURE_2D, 0);
    }

    // The same again from one buffer object (positions, then normals, then coordinates).
    void drawPlainBuffer() {
        const size_t p = positions_.size() * sizeof(float), n = normals_.size() * sizeof(float),
                     t = texCoords_.size() * sizeof(float);
        if (!buffer_) {
            glGenBuffers(1, &buffer_);
            glBindBuffer(GL_ARRAY_BUFFER, buffer_);
            glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(p + n + t), nullptr, GL_STATIC_DRAW);
            glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(p), positions_.data());
            glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(p), static_cast<GLsizeiptr>(n), normals_.data());
            glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(p + n), static_cast<GLsizeiptr>(t),
                            texCoords_.data());
        }
        glBindBuffer(GL_ARRAY_BUFFER, buffer_);
        glBindTexture(GL_TEXTURE_2D, texture_);
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_NORMAL_ARRAY);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glVertexPointer(3, GL_FLOAT, 0, nullptr);
        glNormalPointer(GL_FLOAT, 0, reinterpret_cast<const void*>(p));
        glTexCoordPointer(2, GL_FLOAT, 0, reinterpret_cast<const void*>(p + n));
        glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(positions_.size() / 3));
        glDisableClientState(GL_VERTEX_ARRAY);
        glDisableClientState(GL_NORMAL_ARRAY);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glBindTexture(GL_TEXTURE_2D, 0);
    }

private:
    std::string skin_;
    GLuint texture_ = 0, buffer_ = 0;
    std::vector<float> positions_, normals_, texCoords_;
};

bool makeWindow() {
    static int window = 0;
    if (!window) {
        if (!(window = openBenchWindow("bench draw", kWindow)))
            return false;
    }
    glutSetWindow(window);
    // The program's own state: depth test, perspective correction, two white lights.
    glEnable(GL_DEPTH_TEST);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glViewport(0, 0, kWindow, kWindow);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, kSide, 0, kSide, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    setUpLight();  // the program's own lights
    glEnable(GL_TEXTURE_2D);
    return true;
}

// Microseconds of one drawing, its rendering finished.
template <typename Draw>
double timed(Draw draw) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glFinish();
    const auto start = std::chrono::steady_clock::now();
    draw();
    glFinish();
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
}

// Times the plain program and the model's draw back to back in every iteration; the iteration's
// time is the model's. With moving set, a vertex moves (in place) before each of the model's draws.
void drawBoth(benchmark::State& state, bool moving, bool buffer) {
    if (!makeWindow()) {
        state.SkipWithError("no X display");
        return;
    }
    int cols = 0, rows = 0;
    gridSize(static_cast<int>(state.range(0)), &cols, &rows);
    GridModel model(cols, rows);
    model.draw();  // the first draw loads the texture
    double plain = 0.0, drawn = 0.0;
    for (auto _ : state) {
        plain += timed([&] { buffer ? model.drawPlainBuffer() : model.drawPlain(); });
        if (moving)
            model.moveVertex(0, 0.0f, 0.0f, 0.0f);
        const double us = timed([&] { model.draw(); });
        drawn += us;
        state.SetIterationTime(us / 1e6);
    }
    state.counters["triangles"] = 2.0 * cols * rows;
    state.counters["plain_us"] = benchmark::Counter(plain, benchmark::Counter::kAvgIterations);
    state.counters["model_us"] = benchmark::Counter(drawn, benchmark::Counter::kAvgIterations);
    state.counters["ratio"] = plain > 0.0 ? drawn / plain : 0.0;
}

void BM_DrawModelAgainstPlainArrays(benchmark::State& state) {
    drawBoth(state, false, false);
}
void BM_DrawModelAgainstPlainBuffer(benchmark::State& state) {
    drawBoth(state, false, true);
}
void BM_DrawMovingModelAgainstPlainArrays(benchmark::State& state) {
    drawBoth(state, true, false);
}

BENCHMARK(BM_DrawModelAgainstPlainArrays)
    ->Arg(1000)
    ->Arg(5000)
    ->Arg(20000)
    ->Arg(100000)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawModelAgainstPlainBuffer)
    ->Arg(1000)
    ->Arg(5000)
    ->Arg(20000)
    ->Arg(100000)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawMovingModelAgainstPlainArrays)
    ->Arg(1000)
    ->Arg(20000)
    ->Arg(100000)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace
