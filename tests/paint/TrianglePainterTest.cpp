// Texture coordinates far beyond the image: the walk is bounded by the image's texels and still paints
// those covered. The triangle maps (s, t) to (10 s, 10 t, 0), covering the image many times over.
#include <gtest/gtest.h>

#include <cmath>

#include "paint/BrushModel.h"
#include "paint/DabCanvas.h"
#include "paint/TrianglePainter.h"
#include "tests/paint/PaintTestSupport.h"

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
