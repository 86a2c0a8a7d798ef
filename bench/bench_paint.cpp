// Cost of one paint stroke step (paintModel with the start-up brush centred on
// a face) and of one draw. Two meshes: a cube of twelve triangles whose faces
// each show the whole texture, and a flat 100 x 100 grid (20,000 triangles),
// in z = 0 and mapped once onto its texture; skins of 256 x 256 and 1024 x 1024.
// The texel walk alone (the painter over the triangles the brush reaches) is
// timed against a plain loop over the same texels: the rectangle of texels
// the walk blends, each tested against the brush and blended when inside.
// Beside them: the upload of a whole skin against the rectangle one dab
// changed, with the skin held as RGB, RGBA or BGRA. Draw and uploads need an
// X display (run under xvfb-run) and are skipped without one.
#include <benchmark/benchmark.h>

#include <GL/freeglut.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "paint/PaintableModel.h"
#include "paint/brush/BrushModel.h"
#include "paint/brush/DabCanvas.h"
#include "paint/brush/TrianglePainter.h"
#include "paint/image/BmpFormat.h"
#include "paint/image/Image.h"

namespace {

const float kSide = 10.0f;

// A square BMP of the given size and grey level, written to a temporary file.
std::string writeSkin(int size, unsigned char grey) {
    std::string name = "/tmp/velmora-bench-" + std::to_string(getpid()) + "-" + std::to_string(size) + "-" +
                       std::to_string(grey) + ".bmp";
    const std::vector<unsigned char> pixels(3 * static_cast<size_t>(size) * size, grey);
    const std::vector<unsigned char> file = encodeBmp24(size, size, pixels.data(), 0);
    FILE* f = fopen(name.c_str(), "wb");
    fwrite(file.data(), 1, file.size(), f);
    fclose(f);
    return name;
}

enum Shape { kCube = 0, kGrid = 1 };

// Either a cols x rows grid of quads in z = 0, two triangles each, textured
// edge to edge; or a cube of side kSide whose six faces each show the whole
// texture, one face in z = 0 mapped as the grid is.
class BenchModel : public PaintableModel {
public:
    BenchModel(Shape shape, int cols, int rows, int texture_size) : PaintableModel("bench") {
        class_name = "BenchModel";
        skin = writeSkin(texture_size, 128);
        if (shape == kCube)
            addCube();
        else
            addGrid(cols, rows);
        // Painting needs only the picture; draw gives it a GL texture.
        Image* image = Image::load(&skin);
        image->setTexture(1);
        textures[1] = image;
    }
    ~BenchModel() override { unlink(skin.c_str()); }

    void forgetUploads() { texturesToReload.clear(); }
    Image* skinImage() { return textures.begin()->second; }

    // Swaps the picture for a GL texture of the same file (GL thread only).
    void makeDrawable() {
        delete textures[1];
        textures.clear();
        std::vector<Image::Decoded> pictures;
        pictures.push_back(Image::read(skin));
        GLuint id = 0;
        adoptTextures(pictures, &id);
        for (auto it = triangleIterator(); it != triangleIteratorEnd(); ++it)
            (*it)->setTexture(id);
    }

private:
    void addTextured(unsigned int a, unsigned int b, unsigned int c, unsigned int normal) {
        const unsigned int corners[3] = {a, b, c};
        const int id = addTriangle(a, b, c);
        for (unsigned int k = 0; k < 3; ++k) {
            setNormal(id, k, normal);
            setTexCoord(id, k, corners[k]);
        }
        setTexture(id, 1);
    }

    void addGrid(int cols, int rows) {
        for (int j = 0; j <= rows; ++j)
            for (int i = 0; i <= cols; ++i) {
                float s = static_cast<float>(i) / cols, t = static_cast<float>(j) / rows;
                addVertex(s * kSide, t * kSide, 0);
                addTexCoord(s, t);
            }
        addNormal(0, 0, 1);
        auto corner = [&](int i, int j) { return static_cast<unsigned int>(j * (cols + 1) + i); };
        for (int j = 0; j < rows; ++j)
            for (int i = 0; i < cols; ++i) {
                addTextured(corner(i, j), corner(i + 1, j), corner(i + 1, j + 1), 0);
                addTextured(corner(i, j), corner(i + 1, j + 1), corner(i, j + 1), 0);
            }
    }

    // Each face: an origin and two edges, the first along s, the second along t.
    void addCube() {
        const float S = kSide;
        const float faces[6][3][3] = {{{0, 0, 0}, {S, 0, 0}, {0, S, 0}},  {{0, 0, -S}, {0, S, 0}, {S, 0, 0}},
                                      {{0, 0, 0}, {0, S, 0}, {0, 0, -S}}, {{S, 0, 0}, {0, 0, -S}, {0, S, 0}},
                                      {{0, 0, 0}, {0, 0, -S}, {S, 0, 0}}, {{0, S, 0}, {S, 0, 0}, {0, 0, -S}}};
        const float st[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
        unsigned int next = 0;
        for (const auto& f : faces) {
            for (const auto& c : st) {
                addVertex(f[0][0] + c[0] * f[1][0] + c[1] * f[2][0], f[0][1] + c[0] * f[1][1] + c[1] * f[2][1],
                          f[0][2] + c[0] * f[1][2] + c[1] * f[2][2]);
                addTexCoord(c[0], c[1]);
            }
            const float n[3] = {f[1][1] * f[2][2] - f[1][2] * f[2][1], f[1][2] * f[2][0] - f[1][0] * f[2][2],
                                f[1][0] * f[2][1] - f[1][1] * f[2][0]};
            addNormal(n[0] / (S * S), n[1] / (S * S), n[2] / (S * S));
            const unsigned int normal = next / 4;
            addTextured(next, next + 1, next + 2, normal);
            addTextured(next, next + 2, next + 3, normal);
            next += 4;
        }
    }

    std::string skin;
};

// The start-up brush near the middle of the face in z = 0 but off every
// vertex: a centre exactly on a vertex makes the angle test report a
// zero-length direction each call.
void placeBrush(BrushModel& brush) {
    brush.setAttribute("x", kSide / 2 + 0.013);
    brush.setAttribute("y", kSide / 2 - 0.029);
}

// The two meshes at the two skin sizes: range 0 is the shape, range 1 the skin's side.
void meshesAndSkins(benchmark::internal::Benchmark* b) {
    b->ArgsProduct({{kCube, kGrid}, {256, 1024}})->ArgNames({"grid", "skin"})->Unit(benchmark::kMicrosecond);
}

std::unique_ptr<BenchModel> benchModel(const benchmark::State& state) {
    const Shape shape = state.range(0) == kCube ? kCube : kGrid;
    return std::make_unique<BenchModel>(shape, 100, 100, static_cast<int>(state.range(1)));
}

void BM_PaintModel(benchmark::State& state) {
    std::unique_ptr<BenchModel> model = benchModel(state);
    BrushModel brush("brush");
    placeBrush(brush);
    for (auto _ : state) {
        model->paintModel(&brush);
        model->forgetUploads();
    }
}
BENCHMARK(BM_PaintModel)->Apply(meshesAndSkins);

// What the walk reaches, found once before timing: the triangles whose walk
// blends a texel, and the texels it blends.
struct WalkReach {
    std::vector<PolyMesh::Triangle*> triangles;
    TexelRect rect;
    long long texels = 0;
};

// Walks every triangle alone, in white at full weight up to the outer radius
// (the texels the brush reaches do not depend on colour or weight), over a
// black skin: a texel turned white was blended.
WalkReach findReach(BenchModel& model, BrushSnapshot brush, int size) {
    brush.opacity = 1;
    brush.solidRadius = static_cast<float>(brush.radius);
    brush.colour[0] = brush.colour[1] = brush.colour[2] = 255;
    std::string name = writeSkin(size, 0);
    std::unique_ptr<Image> black(Image::load(&name));
    unlink(name.c_str());
    const float origin[3] = {0, 0, 0};
    TrianglePainter painter(brush, origin);
    DabStamps stamps;
    WalkReach reach;
    for (auto it = model.triangleIterator(); it != model.triangleIteratorEnd(); ++it) {
        TexelRect changed;
        DabCanvas canvas(*black, stamps, changed);
        if (painter.measure(*it))
            painter.paint(canvas);
        if (!changed.empty())
            reach.triangles.push_back(*it);
    }
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            GLubyte px[3];
            if (black->get(x, y, px) && px[0] == 255) {
                reach.rect.include(x, y);
                ++reach.texels;
            }
        }
    return reach;
}

// The plain loop: every texel of rect whose point (the face in z = 0 shows
// texel (x, y) at x * perTexel, y * perTexel) lies inside the brush takes the
// colour at the falloff's weight, blended as the walk blends, straight into
// the picture's rows. Returns how many it blended.
long long plainLoop(Image& image, const BrushSnapshot& b, const TexelRect& rect, double perTexel) {
    const GLubyte colour[3] = {b.colour[0], b.colour[1], b.colour[2]};
    GLubyte* texels = image.heldTexels();
    const size_t width = static_cast<size_t>(image.width());
    const double squaredRadius = b.radius * b.radius, dz = b.center[2];
    long long blended = 0;
    for (int y = rect.y0; y <= rect.y1; ++y) {
        const double dy = y * perTexel - b.center[1], dyz = dy * dy + dz * dz;
        GLubyte* row = texels + 3 * width * static_cast<size_t>(y);
        for (int x = rect.x0; x <= rect.x1; ++x) {
            const double dx = x * perTexel - b.center[0], squared = dx * dx + dyz;
            if (squared < squaredRadius) {
                Image::blendTexel(row + 3 * x, colour, b.opacityAt(static_cast<float>(std::sqrt(squared))));
                ++blended;
            }
        }
    }
    return blended;
}

double cpuSeconds() {
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

// The texel walk alone against the plain loop over the same texels, on the
// same skin with the same brush, in turns within each iteration so both see
// the same machine. Counters: processor microseconds per dab of each, their
// ratio, the texels each blends, the triangles walked and the samples taken.
void BM_TexelWalk(benchmark::State& state) {
    std::unique_ptr<BenchModel> model = benchModel(state);
    const int size = static_cast<int>(state.range(1));
    BrushModel brush("brush");
    placeBrush(brush);
    const BrushSnapshot snapshot = brush.snapshot();
    const WalkReach reach = findReach(*model, snapshot, size);
    Image& image = *model->skinImage();
    const double perTexel = kSide / (size - 1);
    const long long plainTexels = plainLoop(image, snapshot, reach.rect, perTexel);
    // Enough dabs per turn that the clock's own cost does not count.
    const int dabs = static_cast<int>(1 + 200000 / (reach.texels + 1));
    const float origin[3] = {0, 0, 0};
    DabStamps stamps;
    TexelRect changed;
    double walkTime = 0, plainTime = 0;
    long long samples = 0;
    for (auto _ : state) {
        const double start = cpuSeconds();
        for (int d = 0; d < dabs; ++d) {
            TrianglePainter painter(snapshot, origin);
            DabCanvas canvas(image, stamps, changed);
            for (PolyMesh::Triangle* tri : reach.triangles)
                if (painter.measure(tri))
                    painter.paint(canvas);
            samples += painter.samplesTaken();
        }
        const double middle = cpuSeconds();
        for (int d = 0; d < dabs; ++d)
            benchmark::DoNotOptimize(plainLoop(image, snapshot, reach.rect, perTexel));
        const double end = cpuSeconds();
        walkTime += middle - start;
        plainTime += end - middle;
    }
    const double perDab = 1e6 / (static_cast<double>(state.iterations()) * dabs);
    state.counters["walk_us"] = walkTime * perDab;
    state.counters["plain_us"] = plainTime * perDab;
    state.counters["ratio"] = walkTime / plainTime;
    state.counters["texels"] = static_cast<double>(reach.texels);
    state.counters["plain_texels"] = static_cast<double>(plainTexels);
    state.counters["triangles"] = static_cast<double>(reach.triangles.size());
    state.counters["samples"] = static_cast<double>(samples) / (static_cast<double>(state.iterations()) * dabs);
}
BENCHMARK(BM_TexelWalk)->Apply(meshesAndSkins);

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
    BenchModel model(kGrid, cols, rows, static_cast<int>(state.range(2)));
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
    BenchModel model(kGrid, 100, 100, size);
    BrushModel brush("brush");
    placeBrush(brush);
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
    BenchModel model(kGrid, 100, 100, 1024);
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
