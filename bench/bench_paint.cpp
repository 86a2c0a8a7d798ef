// Cost of one paint stroke step (paintModel with the start-up brush centred on
// the surface) and of one draw, for a 2,000-triangle mesh with a 256 x 256
// texture and a 20,000-triangle mesh with a 1024 x 1024 texture. Each mesh is
// a flat 10 x 10 grid in z = 0 mapped once onto its texture. Beside them: a
// plain loop over the brush disk's texel square blending the texels inside
// (what the painter's walk is measured against), and the upload of a whole
// skin against the rectangle one dab changed, with the skin held as RGB,
// RGBA or BGRA. Draw and uploads need an X display (run under xvfb-run) and
// are skipped without one.
#include <benchmark/benchmark.h>

#include <GL/freeglut.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "paint/BmpFormat.h"
#include "paint/BrushModel.h"
#include "paint/Image.h"
#include "paint/PaintableModel.h"

namespace {

const float kSide = 10.0f;

// A grey square BMP of the given size, written to a temporary file.
std::string writeSkin(int size) {
    std::string name = "/tmp/velmora-bench-" + std::to_string(getpid()) + "-" + std::to_string(size) + ".bmp";
    const std::vector<unsigned char> grey(3 * static_cast<size_t>(size) * size, 128);
    const std::vector<unsigned char> file = encodeBmp24(size, size, grey.data(), 0);
    FILE* f = fopen(name.c_str(), "wb");
    fwrite(file.data(), 1, file.size(), f);
    fclose(f);
    return name;
}

// A cols x rows grid of quads, two triangles each, textured edge to edge.
class GridModel : public PaintableModel {
public:
    GridModel(int cols, int rows, int texture_size) : PaintableModel("grid") {
        class_name = "GridModel";
        for (int j = 0; j <= rows; ++j)
            for (int i = 0; i <= cols; ++i) {
                float s = static_cast<float>(i) / cols, t = static_cast<float>(j) / rows;
                addVertex(s * kSide, t * kSide, 0);
                addTexCoord(s, t);
            }
        addNormal(0, 0, 1);
        skin = writeSkin(texture_size);
        auto corner = [&](int i, int j) { return static_cast<unsigned int>(j * (cols + 1) + i); };
        for (int j = 0; j < rows; ++j)
            for (int i = 0; i < cols; ++i) {
                unsigned int quad[2][3] = {{corner(i, j), corner(i + 1, j), corner(i + 1, j + 1)},
                                           {corner(i, j), corner(i + 1, j + 1), corner(i, j + 1)}};
                for (auto& tri : quad) {
                    int id = addTriangle(tri[0], tri[1], tri[2]);
                    for (unsigned int c = 0; c < 3; ++c) {
                        setNormal(id, c, 0);
                        setTexCoord(id, c, tri[c]);
                    }
                    setTexture(id, 1);
                }
            }
        // Painting needs only the picture; draw gives it a GL texture.
        Image* image = Image::load(&skin);
        image->setTexture(1);
        textures[1] = image;
    }
    ~GridModel() override { unlink(skin.c_str()); }

    void forgetUploads() { texturesToReload.clear(); }
    Image* skinImage() { return textures.begin()->second; }

    // Swaps the picture for a GL texture of the same file (GL thread only).
    void makeDrawable() {
        delete textures[1];
        textures.clear();
        const char* names[1] = {skin.c_str()};
        GLuint id = 0;
        loadTextures(1, names, &id, nullptr);
        for (auto it = triangleIterator(); it != triangleIteratorEnd(); ++it)
            (*it)->setTexture(id);
    }

private:
    std::string skin;
};

void BM_PaintModel(benchmark::State& state) {
    const int cols = static_cast<int>(state.range(0)), rows = static_cast<int>(state.range(1));
    GridModel model(cols, rows, static_cast<int>(state.range(2)));
    BrushModel brush("brush");
    // Near the middle but off every vertex: a centre exactly on a vertex
    // makes the angle test report a zero-length direction each call.
    brush.setAttribute("x", kSide / 2 + 0.013);
    brush.setAttribute("y", kSide / 2 - 0.029);
    for (auto _ : state) {
        model.paintModel(&brush);
        model.forgetUploads();
    }
    state.counters["triangles"] = 2.0 * cols * rows;
}
// 40 x 25 quads = 2,000 triangles; 100 x 100 quads = 20,000 triangles.
BENCHMARK(BM_PaintModel)->Args({40, 25, 256})->Args({100, 100, 1024})->Unit(benchmark::kMicrosecond);

// The brush's disk as a plain loop: every texel of the square about the
// centre whose point lies inside the radius takes the falloff's weight.
void BM_PlainDisk(benchmark::State& state) {
    const int size = static_cast<int>(state.range(0));
    GridModel model(10, 10, size);
    Image* image = model.skinImage();
    BrushModel brush("brush");
    const BrushSnapshot b = brush.snapshot();
    const double cx = kSide / 2 + 0.013, cy = kSide / 2 - 0.029, perTexel = kSide / (size - 1);
    const int x0 = static_cast<int>((cx - b.radius) / perTexel), x1 = static_cast<int>((cx + b.radius) / perTexel) + 1;
    const int y0 = static_cast<int>((cy - b.radius) / perTexel), y1 = static_cast<int>((cy + b.radius) / perTexel) + 1;
    unsigned char colour[3] = {b.colour[0], b.colour[1], b.colour[2]};
    long long blended = 0;
    for (auto _ : state) {
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                const double dx = x * perTexel - cx, dy = y * perTexel - cy;
                const double squared = dx * dx + dy * dy;
                if (squared < b.radius * b.radius) {
                    image->set(x, y, colour, b.opacityAt(static_cast<float>(std::sqrt(squared))));
                    ++blended;
                }
            }
    }
    state.counters["texels"] = static_cast<double>(blended) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_PlainDisk)->Arg(256)->Arg(1024)->Unit(benchmark::kMicrosecond);

bool makeGlContext() {
    static int window = 0;
    if (window)
        return true;
    if (!std::getenv("DISPLAY"))
        return false;
    if (!glutGet(GLUT_INIT_STATE)) {
        int argc = 1;
        char name[] = "velmora_bench";
        char* argv[] = {name, nullptr};
        glutInit(&argc, argv);
    }
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(500, 500);
    window = glutCreateWindow("bench");
    return true;
}

void BM_Draw(benchmark::State& state) {
    if (!makeGlContext()) {
        state.SkipWithError("no X display");
        return;
    }
    const int cols = static_cast<int>(state.range(0)), rows = static_cast<int>(state.range(1));
    GridModel model(cols, rows, static_cast<int>(state.range(2)));
    model.makeDrawable();
    glViewport(0, 0, 500, 500);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, kSide, 0, kSide, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    model.draw();  // the first draw runs modelInit
    glFinish();
    for (auto _ : state) {
        model.draw();
        glFinish();  // count the rendering, not only the queued commands
    }
    state.counters["triangles"] = 2.0 * cols * rows;
}
BENCHMARK(BM_Draw)->Args({40, 25, 256})->Args({100, 100, 1024})->Unit(benchmark::kMicrosecond);

// Uploads of a 1024 x 1024 skin, whole (range 0 = 1) or the rectangle one
// dab of the start-up brush changes (range 0 = 0), from pixels held as RGB,
// RGBA or BGRA (range 1 = 0, 1, 2). The texture keeps the program's internal format.
void BM_Upload(benchmark::State& state) {
    if (!makeGlContext()) {
        state.SkipWithError("no X display");
        return;
    }
    const bool whole = state.range(0) == 1;
    const int layout = static_cast<int>(state.range(1));
    const GLenum formats[3] = {GL_RGB, GL_RGBA, GL_BGRA};
    const int channels = layout == 0 ? 3 : 4, size = 1024;
    GridModel model(100, 100, size);
    BrushModel brush("brush");
    brush.setAttribute("x", kSide / 2 + 0.013);
    brush.setAttribute("y", kSide / 2 - 0.029);
    model.paintModel(&brush);
    const TexelRect rect = model.lastPaintChanges().begin()->second;
    std::vector<unsigned char> pixels(static_cast<size_t>(channels) * size * size, 100);
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, size, size, 0, formats[layout], GL_UNSIGNED_BYTE, pixels.data());
    glPixelStorei(GL_UNPACK_ROW_LENGTH, size);
    for (auto _ : state) {
        if (whole) {
            glTexImage2D(GL_TEXTURE_2D, 0, 3, size, size, 0, formats[layout], GL_UNSIGNED_BYTE, pixels.data());
        } else {
            glPixelStorei(GL_UNPACK_SKIP_PIXELS, rect.x0);
            glPixelStorei(GL_UNPACK_SKIP_ROWS, rect.y0);
            glTexSubImage2D(GL_TEXTURE_2D, 0, rect.x0, rect.y0, rect.width(), rect.height(), formats[layout],
                            GL_UNSIGNED_BYTE, pixels.data());
        }
        glFinish();
    }
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glDeleteTextures(1, &name);
    state.counters["texels"] = whole ? 1.0 * size * size : 1.0 * rect.width() * rect.height();
}
BENCHMARK(BM_Upload)->ArgsProduct({{1, 0}, {0, 1, 2}})->ArgNames({"whole", "layout"})->Unit(benchmark::kMicrosecond);

// One painted frame of a brush drag: paintModel, then the draw that uploads
// what it changed, on the 20,000-triangle mesh with its 1024 x 1024 skin.
void BM_PaintedFrame(benchmark::State& state) {
    if (!makeGlContext()) {
        state.SkipWithError("no X display");
        return;
    }
    GridModel model(100, 100, 1024);
    model.makeDrawable();
    BrushModel brush("brush");
    model.draw();
    int step = 0;
    for (auto _ : state) {
        brush.setAttribute("x", 2 + 0.013 + 0.05 * (step % 100));
        brush.setAttribute("y", kSide / 2 - 0.029);
        ++step;
        model.paintModel(&brush);
        model.draw();
        glFinish();
    }
}
BENCHMARK(BM_PaintedFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
