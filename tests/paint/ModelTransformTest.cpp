// A model's placement: scale, then z, y, x turns, then the move, pinned by hand-worked points; and its inverse.
#include <gtest/gtest.h>

#include <cmath>

#include "paint/brush/BrushModel.h"
#include "paint/mesh/ModelTransform.h"

namespace {

struct Placement {
    double move[3], degrees[3], scale;
};

// Whole quarter turns are exact: a model turned by them keeps grid points on the grid.
TEST(ModelTransform, points_go_scaled_then_turned_about_z_y_x_then_moved) {
    const double s30 = 0.5, c30 = std::sqrt(3.0) / 2;
    const struct {
        Placement placement;
        double local[3], scene[3], tolerance;
    } cases[] = {
        // (1,2,3) * 2 = (2,4,6); about z: (-4,2,6); about y: (6,2,4); about x: (6,-4,2); moved: (7,-2,5).
        {{{1, 2, 3}, {90, 90, 90}, 2}, {1, 2, 3}, {7, -2, 5}, 0},
        {{{0, 0, 0}, {30, 0, 0}, 1}, {0, 1, 0}, {0, c30, s30}, 1e-12},
        {{{0, 0, 0}, {0, 30, 0}, 1}, {0, 0, 1}, {s30, 0, c30}, 1e-12},
        {{{0, 0, 0}, {0, 0, 30}, 1}, {1, 0, 0}, {c30, s30, 0}, 1e-12},
        {{{0, 0, 0}, {0, 0, 450}, 1}, {1, 0, 0}, {0, 1, 0}, 0},  // whole turns drop out
        {{{0, 0, 0}, {-90, 0, 0}, 1}, {0, 0, 1}, {0, 1, 0}, 0},
        {{{0, 0, 0}, {0, 90, 0}, 2}, {1, 0, 0}, {0, 0, -2}, 0},
        {{{-4, 0.5, 8}, {0, 0, 0}, 0.25}, {4, 8, -12}, {-3, 2.5, 5}, 0},
    };
    for (const auto& c : cases) {
        const ModelTransform t(c.placement.move, c.placement.degrees, c.placement.scale);
        double scene[3], m[16];
        t.toScene(c.local, scene);
        t.matrix(m);
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(c.scene[k], scene[k], c.tolerance) << "axis " << k << ", case " << &c - cases;
            const double viaMatrix = m[k] * c.local[0] + m[4 + k] * c.local[1] + m[8 + k] * c.local[2] + m[12 + k];
            EXPECT_NEAR(c.scene[k], viaMatrix, c.tolerance) << "axis " << k << ", case " << &c - cases;
        }
        EXPECT_EQ(0.0, m[3] + m[7] + m[11]);
        EXPECT_EQ(1.0, m[15]);
    }
}

TEST(ModelTransform, the_inverse_and_motions_undo_the_placement) {
    const Placement placements[] = {{{0, 0, 0}, {0, 0, 0}, 1},
                                    {{3, -7, 12.5}, {37, -123, 301}, 0.004},
                                    {{-100, 0.25, 9}, {-90, 45, 180}, 250},
                                    {{1e3, 1e3, -1e3}, {0.001, 89.999, -720.5}, 1e-6}};
    const double points[][3] = {{0, 0, 0}, {1, 2, 3}, {-40, 0.125, 77}, {1e4, -1e4, 3}};
    for (const Placement& p : placements) {
        const ModelTransform t(p.move, p.degrees, p.scale);
        double m[16], inv[16];
        t.matrix(m);
        t.inverse(inv);
        for (int row = 0; row < 4; ++row)  // inverse * matrix is the identity
            for (int col = 0; col < 4; ++col) {
                double sum = 0;
                for (int k = 0; k < 4; ++k)
                    sum += inv[4 * k + row] * m[4 * col + k];
                EXPECT_NEAR(row == col ? 1.0 : 0.0, sum, 1e-9 * (1 + std::fabs(m[12]))) << row << "," << col;
            }
        double origin[3];  // where points[0], the model's origin, lands
        t.toScene(points[0], origin);
        for (const auto& point : points) {
            double scene[3], back[3], viaInverse[3], motion[3], along[3];
            t.toScene(point, scene);
            t.toModel(scene, back);
            for (int k = 0; k < 3; ++k) {
                viaInverse[k] = inv[k] * scene[0] + inv[4 + k] * scene[1] + inv[8 + k] * scene[2] + inv[12 + k];
                motion[k] = scene[k] - origin[k];
            }
            t.directionToModel(motion, along);  // a motion in the scene: no move, shrunk by the scale
            for (int k = 0; k < 3; ++k) {
                const double tolerance = 1e-9 * (1 + std::fabs(point[k]) + std::fabs(scene[k]) / p.scale);
                EXPECT_NEAR(point[k], back[k], tolerance);
                EXPECT_NEAR(point[k], viaInverse[k], tolerance);
                EXPECT_NEAR(point[k], along[k], tolerance);
            }
        }
    }
}

TEST(ModelTransform, read_from_attributes_with_defaults_for_what_a_model_lacks) {
    BrushModel brush("brush");  // x, y, z only
    brush.setAttribute("x", 2);
    const ModelTransform moved = ModelTransform::of(brush);
    EXPECT_TRUE(moved.translationOnly());
    EXPECT_EQ(1.0, moved.scale());
    const double origin[3] = {0, 0, 0}, tiny[3] = {0, 1e-9, 0};
    double scene[3];
    moved.toScene(origin, scene);
    EXPECT_EQ(2.0, scene[0]);
    EXPECT_FALSE(ModelTransform(origin, origin, 1.5).translationOnly());
    EXPECT_FALSE(ModelTransform(origin, tiny, 1).translationOnly());
}

}  // namespace
