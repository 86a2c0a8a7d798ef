// The painter's texel walk: bounded by the picture for far-out coordinates, and blending exactly what the
// straightforward walk it replaced blends. The first test's triangle maps (s, t) to (10 s, 10 t, 0), covering the image
// many times over.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <set>

#include "paint/BrushModel.h"
#include "paint/DabCanvas.h"
#include "paint/TrianglePainter.h"
#include "tests/paint/PaintTestSupport.h"
#include "tests/paint/ReferenceWalk.h"

TEST(TrianglePainter, far_out_coordinates_walk_only_the_texels_of_the_image) {
    const struct {
        float reach;  // the corners lie at about +-reach in s and t
        int width, height;
    } cases[] = {{30000, 16, 16}, {30000, 1, 1}, {30000, 5, 40}, {300, 64, 8}};
    BrushModel brush("brush");  // radius 3 at (5, 5, 0), white at full opacity up to 2.9
    for (auto [name, value] : {std::pair{"x", 5.0}, {"y", 5.0}, {"dim1", 3.0}, {"solid_dim1", 2.9}, {"opacity", 1.0}})
        brush.setAttribute(name, value);
    ScratchDir dir;
    for (const auto& f : cases) {
        SCOPED_TRACE(testing::Message() << f.reach << " on " << f.width << "x" << f.height);
        std::string file = dir.path("black.bmp");
        writeFile(file, painttest::makeBmp(f.width, f.height, 0));
        Image* image = Image::load(&file);
        ASSERT_NE(nullptr, image);
        PolyMesh mesh;
        const float corners[3][2] = {{-f.reach, -f.reach}, {f.reach, -f.reach}, {0, f.reach}};
        int v[3];
        for (int i = 0; i < 3; ++i)
            v[i] = mesh.addVertex(10 * corners[i][0], 10 * corners[i][1], 0);
        const int tri = mesh.addTriangle(v[0], v[1], v[2]);
        for (int i = 0; i < 3; ++i)
            mesh.setTexCoord(tri, i, mesh.addTexCoord(corners[i][0], corners[i][1]));

        const float origin[3] = {0, 0, 0};
        TrianglePainter painter(brush.snapshot(), origin);
        ASSERT_TRUE(painter.measure(mesh.getTriangle(tri)));
        DabStamps stamps;
        TexelRect changed;
        DabCanvas canvas(*image, stamps, changed);
        painter.paint(canvas);
        // About one sample per texel, with a texel's width to spare on each side.
        EXPECT_LE(painter.samplesTaken(), (f.width + 4LL) * (f.height + 4LL));
        EXPECT_GT(painter.samplesTaken(), 0);

        // Texels that show only points well inside the solid radius are white; those that show only points outside the
        // brush stay black. Points are placed within a few hundredths, so the margins are generous.
        for (int r = 0; r < f.height; ++r) {
            for (int c = 0; c < f.width; ++c) {
                // How far the points the texel shows lie from (5, 5).
                const double sx = f.width > 1 ? 10.0 / (f.width - 1) : 10.0,
                             sy = f.height > 1 ? 10.0 / (f.height - 1) : 10.0;
                const double x0 = c * sx - 5, x1 = (c + 1) * sx - 5, y0 = r * sy - 5, y1 = (r + 1) * sy - 5;
                const double nearest = std::hypot(x0 > 0 ? x0 : (x1 < 0 ? -x1 : 0), y0 > 0 ? y0 : (y1 < 0 ? -y1 : 0));
                const double farthest =
                    std::hypot(std::max(std::fabs(x0), std::fabs(x1)), std::max(std::fabs(y0), std::fabs(y1)));
                unsigned char px[3];
                ASSERT_EQ(1, image->get(c, r, px));
                if (farthest < 2.7) {
                    EXPECT_EQ(255, px[0]) << c << "," << r;
                } else if (nearest > 3.2) {
                    EXPECT_EQ(0, px[0]) << c << "," << r;
                }
            }
        }
        delete image;
    }
}

// The fast walk blends exactly the texels the straightforward walk blends, with the same weights: on random
// triangles, brushes and picture sizes, the first blend the frozen walk makes of each texel gives the same picture
// and the same changed rectangle as the painter.
TEST(TrianglePainter, blends_what_the_straightforward_walk_blends_on_random_triangles) {
    std::mt19937 random(20240611);
    auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(random); };
    ScratchDir dir;
    std::set<std::string> written;
    int painted = 0;
    for (int trial = 0; trial < 1500; ++trial) {
        const int width = 1 + static_cast<int>(uniform(0, 48)), height = 1 + static_cast<int>(uniform(0, 48));
        SCOPED_TRACE(testing::Message() << "trial " << trial << " on " << width << "x" << height);
        BrushModel brush("brush");
        const double radius = uniform(0.2, 3);
        for (auto [name, value] : {std::pair{"x", uniform(-3, 3)},
                                   {"y", uniform(-3, 3)},
                                   {"z", uniform(-1, 1)},
                                   {"dim1", radius},
                                   {"solid_dim1", uniform(0, radius)},
                                   {"opacity", uniform(0, 1)},
                                   {"red", uniform(0, 1)},
                                   {"green", uniform(0, 1)},
                                   {"blue", uniform(0, 1)}})
            brush.setAttribute(name, value);
        const BrushSnapshot snapshot = brush.snapshot();
        const float offset[3] = {float(uniform(-1, 1)), float(uniform(-1, 1)), 0};
        // Corners about the brush; coordinates mostly on the picture, now and then far beyond it.
        const double reach = trial % 10 == 0 ? 40 : 1.3;
        PolyMesh mesh;
        int v[3];
        for (int i = 0; i < 3; ++i)
            v[i] = mesh.addVertex(float(snapshot.center[0] - offset[0] + uniform(-3, 3)),
                                  float(snapshot.center[1] - offset[1] + uniform(-3, 3)), float(uniform(-1, 1)));
        const int tri = mesh.addTriangle(v[0], v[1], v[2]);
        for (int i = 0; i < 3; ++i)
            mesh.setTexCoord(tri, i,
                             mesh.addTexCoord(float(uniform(-reach + 1, reach)), float(uniform(-reach + 1, reach))));

        const std::string file = dir.path(std::to_string(width) + "x" + std::to_string(height) + ".bmp");
        if (written.insert(file).second)
            writeFile(file, painttest::makeBmp(width, height));
        std::string name = file;
        std::unique_ptr<Image> expected(Image::load(&name)), actual(Image::load(&name));
        ASSERT_TRUE(expected && actual);
        painttest::ReferenceWalk reference(snapshot, offset);
        std::set<std::pair<int, int>> blended;
        GLubyte colour[3] = {snapshot.colour[0], snapshot.colour[1], snapshot.colour[2]};
        TexelRect expectedRect;
        for (const painttest::Hit& hit : reference.walk(mesh.getTriangle(tri), width, height))
            if (blended.insert({hit.x, hit.y}).second && expected->set(hit.x, hit.y, colour, hit.opacity))
                expectedRect.include(hit.x, hit.y);

        TrianglePainter painter(snapshot, offset);
        DabStamps stamps;
        TexelRect changed;
        DabCanvas canvas(*actual, stamps, changed);
        if (painter.measure(mesh.getTriangle(tri)))
            painter.paint(canvas);
        ASSERT_EQ(painttest::topFirst(*expected), painttest::topFirst(*actual));
        ASSERT_EQ(expectedRect, changed) << changed.x0 << "," << changed.y0 << " " << changed.x1 << "," << changed.y1;
        painted += !changed.empty();
    }
    EXPECT_GT(painted, 500);  // most trials reach some texels
}
