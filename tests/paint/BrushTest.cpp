// The brush as the painter sees it: the falloff of its opacity, the snapshot
// of its attributes, and its inside test, shared with the painter.
#include <gtest/gtest.h>

#include <cmath>

#include "paint/BrushModel.h"
#include "paint/PaintGeometry.h"

namespace {

TEST(Brush, opacity_is_full_to_the_solid_radius_then_falls_to_nothing_at_the_outer_one) {
    const struct {
        double opacity;
        float dist, solid, outer;
        double weight;
        int onBlack;  // the byte a white paint leaves on a black texel
    } rows[] = {
        {0.5, 0.3f, 0.6f, 1.0f, 0.5, 127},  // the start values: 255 * 0.5 = 127.5
        {0.5, 0.8f, 0.6f, 1.0f, 0.25, 63},  // halfway out: 0.5 * (1 - 0.2 / 0.4)
        {0.5, 0.6f, 0.6f, 1.0f, 0.5, 127},  // at the solid radius
        {0.5, 0.99f, 0.6f, 1.0f, 0.0125, 3}, {1.0, 0.7f, 0.4f, 1.0f, 0.5, 127},
        {0.5, 0.9f, 2.0f, 1.0f, 0.5, 127},  // solid beyond the outer radius: full opacity everywhere
        {0.5, 0.9f, 1.0f, 1.0f, 0.5, 127},  // solid equal to it
    };
    for (const auto& row : rows) {
        SCOPED_TRACE("row " + std::to_string(&row - rows));
        const double weight = brushFalloff(row.opacity, row.dist, row.solid, row.outer);
        EXPECT_NEAR(row.weight, weight, 1e-6);
        EXPECT_EQ(row.onBlack, static_cast<int>(255 * weight));
        // The brush's own snapshot gives the same figures from its attributes.
        BrushModel brush("brush");
        brush.setAttribute("opacity", row.opacity);
        brush.setAttribute("solid_dim1", row.solid);
        brush.setAttribute("dim1", row.outer);
        EXPECT_EQ(weight, brush.snapshot().opacityAt(row.dist));
    }
}

TEST(Brush, snapshot_holds_the_attributes_as_the_painter_uses_them) {
    BrushModel brush("brush");
    const struct {
        const char* name;
        double value;
    } settings[] = {{"red", 0.5}, {"green", 1.5}, {"blue", -0.5},   {"x", 0.1},         {"y", -2.0},
                    {"z", 1e-50}, {"dim1", 2.5},  {"opacity", 0.4}, {"solid_dim1", 0.1}};
    for (const auto& setting : settings)
        ASSERT_EQ(0, brush.setAttribute(setting.name, setting.value)) << setting.name;
    const BrushSnapshot b = brush.snapshot();
    EXPECT_TRUE(b.sphere);
    EXPECT_EQ(127, b.colour[0]);    // 127.5 truncated
    EXPECT_EQ(126, b.colour[1]);    // 382 modulo 256
    EXPECT_EQ(129, b.colour[2]);    // -127 modulo 256
    EXPECT_EQ(0.1, b.position[0]);  // kept as set for the model's own coordinates
    EXPECT_EQ(0.1f, b.center[0]);   // rounded for the sphere test
    EXPECT_EQ(-2.0f, b.center[1]);
    EXPECT_EQ(0.0f, b.center[2]);  // below the smallest float
    EXPECT_EQ(2.5, b.radius);
    EXPECT_EQ(0.1f, b.solidRadius);
    EXPECT_EQ(0.4, b.opacity);
}

TEST(Brush, inside_test_is_strict_and_the_same_for_brush_and_snapshot) {
    BrushModel brush("brush");
    brush.setAttribute("x", 1.0);
    brush.setAttribute("y", 2.0);
    brush.setAttribute("z", 3.0);
    brush.setAttribute("dim1", 1.5);
    const struct {
        float point[3];
        bool inside;
        float dist;
    } points[] = {
        {{1, 2, 3}, true, 0},
        {{1, 2.5f, 3}, true, 0.5f},
        {{1, 2, 1.5f}, false, 1.5f},  // on the surface
        {{2, 3, 4}, false, std::sqrt(3.0f)},
        {{1.9f, 2.9f, 3}, true, 1.2727922f},
    };
    for (const auto& p : points) {
        SCOPED_TRACE("point " + std::to_string(&p - points));
        float dist = -1, snapDist = -1;
        EXPECT_EQ(p.inside, brush.contains(p.point, dist));
        EXPECT_EQ(p.inside, brush.snapshot().contains(p.point, snapDist));
        EXPECT_FLOAT_EQ(p.dist, dist);
        EXPECT_EQ(dist, snapDist);
    }
    // A shape that is no sphere contains nothing and measures nothing.
    brush.setShape(static_cast<brush_shape>(1));
    float dist = -1;
    EXPECT_FALSE(brush.contains(points[0].point, dist));
    EXPECT_EQ(-1, dist);
    EXPECT_FALSE(brush.snapshot().sphere);
}

}  // namespace
