// The brush as the painter sees it: its falloff, its snapshot and its inside test.
#include <gtest/gtest.h>

#include <cmath>

#include "paint/brush/BrushModel.h"
#include "paint/brush/PaintGeometry.h"
#include "tests/paint/PaintTestSupport.h"

namespace {

using painttest::OpenBrush;

// Full to the solid radius, then falling to nothing at the outer one (full everywhere when solid reaches it).
TEST(Brush, opacity_falls_from_the_solid_radius_to_the_outer_one) {
    const double rows[][5] = {
        // opacity, distance, solid radius, outer radius, weight
        {0.5, 0.3, 0.6, 1.0, 0.5}, {0.5, 0.8, 0.6, 1.0, 0.25}, {0.5, 0.6, 0.6, 1.0, 0.5}, {0.5, 0.99, 0.6, 1.0, 0.0125},
        {1.0, 0.7, 0.4, 1.0, 0.5}, {0.5, 0.9, 2.0, 1.0, 0.5},  {0.5, 0.9, 1.0, 1.0, 0.5},
    };
    for (const auto& row : rows) {
        const double weight = brushFalloff(row[0], float(row[1]), float(row[2]), float(row[3]));
        EXPECT_NEAR(row[4], weight, 1e-6) << "row " << &row - rows;
        OpenBrush brush("brush");
        brush.put("opacity", row[0]);
        brush.put("solid_dim1", float(row[2]));
        brush.put("dim1", float(row[3]));
        EXPECT_EQ(weight, brush.snapshot().opacityAt(float(row[1]))) << "row " << &row - rows;
    }
}

TEST(Brush, snapshot_holds_the_attributes_as_the_painter_uses_them) {
    OpenBrush brush("brush");
    for (auto [name, value] : std::map<std::string, double>{{"red", 0.5},
                                                            {"green", 1.5},
                                                            {"blue", -0.5},
                                                            {"x", 0.1},
                                                            {"y", -2.0},
                                                            {"z", 1e-50},
                                                            {"dim1", 2.5},
                                                            {"opacity", 0.4},
                                                            {"solid_dim1", 0.1},
                                                            {"mirror", 2.6},
                                                            {"bleed", 3.4}})
        brush.put(name.c_str(), value);
    const BrushSnapshot b = brush.snapshot();
    EXPECT_TRUE(b.sphere);
    // 127.5 truncated, 382 and -127 modulo 256; the centre rounded to float (z below the smallest one).
    EXPECT_EQ((std::vector<int>{127, 126, 129}), (std::vector<int>{b.colour[0], b.colour[1], b.colour[2]}));
    EXPECT_EQ(0.1, b.position[0]);
    EXPECT_EQ((std::vector<float>{0.1f, -2.0f, 0.0f}), (std::vector<float>{b.center, b.center + 3}));
    EXPECT_EQ((std::vector<double>{2.5, 0.1f, 0.4}), (std::vector<double>{b.radius, b.solidRadius, b.opacity}));
    EXPECT_EQ((std::vector<int>{3, 3}), (std::vector<int>{b.mirror, b.bleed}));  // the nearest whole numbers
}

TEST(Brush, inside_test_is_strict_and_the_same_for_brush_and_snapshot) {
    BrushModel brush("brush");
    for (auto [name, value] : std::map<std::string, double>{{"x", 1}, {"y", 2}, {"z", 3}, {"dim1", 1.5}})
        brush.setAttribute(name.c_str(), value);
    const struct {
        float point[3];
        bool inside;
        float dist;
    } points[] = {{{1, 2, 3}, true, 0},
                  {{1, 2.5f, 3}, true, 0.5f},
                  {{1, 2, 1.5f}, false, 1.5f},  // on the surface
                  {{2, 3, 4}, false, std::sqrt(3.0f)},
                  {{1.9f, 2.9f, 3}, true, 1.2727922f}};
    for (const auto& p : points) {
        float dist = -1, snapDist = -1;
        EXPECT_EQ(p.inside, brush.contains(p.point, dist)) << "point " << &p - points;
        EXPECT_EQ(p.inside, brush.snapshot().contains(p.point, snapDist)) << "point " << &p - points;
        EXPECT_FLOAT_EQ(p.dist, dist) << "point " << &p - points;
        EXPECT_EQ(dist, snapDist) << "point " << &p - points;
    }
    // A shape that is no sphere contains nothing and measures nothing.
    brush.setShape(static_cast<brush_shape>(1));
    float dist = -1;
    EXPECT_FALSE(brush.contains(points[0].point, dist));
    EXPECT_EQ(-1, dist);
    EXPECT_FALSE(brush.snapshot().sphere);
}

}  // namespace
