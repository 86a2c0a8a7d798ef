// Painting with the brush on a textured test mesh. The test triangle has
// corners (0,0,0), (4,0,0), (0,4,0) with s = x / 4, t = y / 4 on a 32 x 32
// texture, so the walk samples x = 4 * i / 32 exactly and sample i lands in
// texel i - 1 (the (size - 1) mapping): texel (c, r) shows the point
// (0.125 * (c + 1), 0.125 * (r + 1), 0).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "paint/BrushModel.h"
#include "tests/paint/TestPaintable.h"

namespace {

class Painting : public testing::Test {
protected:
    void SetUp() override { texture = model.giveTexture(1, 32, 32, 0, dir); }

    int addTestTriangle(TestPaintable& m, GLuint tex = 1)
    {
        return m.addTexturedTriangle({0, 0, 0, 0, 0}, {4, 0, 0, 1, 0}, {0, 4, 0, 0, 1}, tex);
    }

    // Red channel of the texel that shows the point (x, y, 0).
    int texelAt(Image* image, float x, float y)
    {
        unsigned char px[3];
        EXPECT_EQ(1, image->get(static_cast<int>(std::lround(x / 0.125)) - 1,
                                static_cast<int>(std::lround(y / 0.125)) - 1, px));
        return px[0];
    }

    int paintedTexels(Image* image)
    {
        int count = 0;
        for (int y = 0; y < image->height(); ++y)
            for (int x = 0; x < image->width(); ++x) {
                unsigned char px[3];
                image->get(x, y, px);
                count += px[0] != texelAt0;
            }
        return count;
    }

    void placeBrush(double x, double y, double z)
    {
        brush.setAttribute("x", x);
        brush.setAttribute("y", y);
        brush.setAttribute("z", z);
    }

    painttest::ScratchDir dir;
    TestPaintable model;
    BrushModel brush{"brush"};
    Image* texture = nullptr;
    int texelAt0 = 0;  // the texture's untouched value
};

TEST_F(Painting, default_brush_figures_on_black)
{
    ASSERT_NE(nullptr, texture);
    addTestTriangle(model);
    placeBrush(1, 1, 0);
    model.paintModel(&brush);
    // White at opacity 0.5 inside the solid radius: 127.5, truncated.
    EXPECT_EQ(127, texelAt(texture, 1.25f, 1.0f));      // 0.25 from the centre
    EXPECT_EQ(127, texelAt(texture, 1.0f, 1.5f));       // 0.5
    // sqrt(0.625^2 + 0.5^2) = 0.8004: opacity 0.5 * (1 - 0.2004 / 0.4) = 0.2495.
    EXPECT_EQ(63, texelAt(texture, 1.625f, 1.5f));
    EXPECT_EQ(0, texelAt(texture, 2.125f, 1.0f));       // beyond the outer radius
    EXPECT_EQ(0, texelAt(texture, 2.5f, 2.5f));
    ASSERT_EQ(1u, model.texturesToReload.size());
    EXPECT_EQ(1u, model.texturesToReload[0]);
}

TEST_F(Painting, outer_radius_is_outside_even_at_full_strength)
{
    TestPaintable white;
    Image* canvas = white.giveTexture(1, 32, 32, 255, dir);
    addTestTriangle(white);
    texelAt0 = 255;
    brush.setAttribute("red", 0);
    brush.setAttribute("green", 0);
    brush.setAttribute("blue", 0);
    brush.setAttribute("solid_dim1", 2.0);  // beyond dim1: every touched texel at full opacity
    placeBrush(1, 1, 0);
    white.paintModel(&brush);
    EXPECT_EQ(127, texelAt(canvas, 1.875f, 1.0f));  // 0.875 from the centre
    EXPECT_EQ(255, texelAt(canvas, 2.0f, 1.0f));    // exactly 1.0: outside
    // Exactly the samples strictly inside the unit circle about (1, 1) change.
    int inside = 0;
    for (int i = 1; i < 32; ++i)
        for (int j = 1; j < 32; ++j) {
            double x = 0.125 * i, y = 0.125 * j;
            if (x + y < 4 && std::hypot(x - 1, y - 1) < 1.0 - 1e-6)
                ++inside;
        }
    EXPECT_EQ(inside, paintedTexels(canvas));
}

TEST_F(Painting, colour_bytes_wrap_and_blend_with_opacity)
{
    addTestTriangle(model);
    brush.setAttribute("red", 1.5);     // 382 -> 126
    brush.setAttribute("green", 0.5);   // 127
    brush.setAttribute("blue", -0.5);   // -127 -> 129
    brush.setAttribute("opacity", 3.0); // paints as 1
    placeBrush(1, 1, 0);
    model.paintModel(&brush);
    unsigned char px[3];
    ASSERT_EQ(1, texture->get(8, 7, px));  // shows (1.125, 1.0)
    EXPECT_EQ(126, px[0]);
    EXPECT_EQ(127, px[1]);
    EXPECT_EQ(129, px[2]);

    brush.setAttribute("opacity", 0.5);
    placeBrush(2.5, 0.5, 0);  // 1.58 from the first stroke: a black texel at its centre
    model.paintModel(&brush);
    ASSERT_EQ(1, texture->get(19, 3, px));  // (2.5, 0.5), the centre
    EXPECT_EQ(63, px[0]);                   // 126 * 0.5
    EXPECT_EQ(63, px[1]);                   // 63.5, truncated
    EXPECT_EQ(64, px[2]);                   // 64.5, truncated
}

TEST_F(Painting, moved_model_is_painted_where_it_is_drawn)
{
    addTestTriangle(model);
    model.setAttribute("x", 10);
    model.setAttribute("y", -3);
    model.setAttribute("z", 5);
    placeBrush(1, 1, 0);  // where the mesh would be at the origin
    model.paintModel(&brush);
    EXPECT_EQ(0, paintedTexels(texture));
    placeBrush(11, -2, 5);
    model.paintModel(&brush);
    EXPECT_EQ(127, texelAt(texture, 1.25f, 1.0f));
    EXPECT_EQ(63, texelAt(texture, 1.625f, 1.5f));
    EXPECT_EQ(0, texelAt(texture, 2.125f, 1.0f));
}

TEST_F(Painting, overlapping_triangles_each_blend_and_each_queue)
{
    for (int i = 0; i < 5; ++i)
        addTestTriangle(model);
    placeBrush(1, 1, 0);
    model.paintModel(&brush);
    // Five blends of white at 0.5 on black: 127, 191, 223, 239, 247.
    EXPECT_EQ(247, texelAt(texture, 1.25f, 1.0f));
    EXPECT_EQ((std::vector<GLuint>{1, 1, 1, 1, 1}), model.texturesToReload);
    EXPECT_EQ((std::vector<GLuint>{1}), PaintableModel::distinctTextureNames(model.texturesToReload));
    EXPECT_EQ((std::vector<GLuint>{3, 1, 2}), PaintableModel::distinctTextureNames({3, 1, 3, 2, 1}));
}

TEST_F(Painting, triangles_out_of_reach_are_left_alone)
{
    TestPaintable bare;
    placeBrush(1, 1, 0);
    bare.paintModel(&brush);  // no mesh before the first draw
    EXPECT_TRUE(bare.texturesToReload.empty());

    addTestTriangle(model);
    placeBrush(1, 1, 1.0);  // exactly dim1 above the plane
    model.paintModel(&brush);
    placeBrush(1, 1, -1.0);
    model.paintModel(&brush);
    placeBrush(-1.0, 1.0, 0);  // exactly dim1 from the nearest edge
    model.paintModel(&brush);
    placeBrush(9, 9, 0);
    model.paintModel(&brush);
    EXPECT_EQ(0, paintedTexels(texture));
    EXPECT_TRUE(model.texturesToReload.empty());

    placeBrush(1, 1, 0.9);  // within reach of the plane: 0.9 from (1, 1, 0)
    model.paintModel(&brush);
    EXPECT_EQ(31, texelAt(texture, 1.0f, 1.0f));  // 255 * 0.5 * (1 - 0.3 / 0.4) = 31.9
}

TEST_F(Painting, degenerate_texture_extent_and_missing_pictures_paint_nothing)
{
    // All three s equal, then all three t equal.
    model.addTexturedTriangle({0, 0, 0, 0.5f, 0}, {4, 0, 0, 0.5f, 0.5f}, {0, 4, 0, 0.5f, 1}, 1);
    model.addTexturedTriangle({0, 0, 0, 0, 0.5f}, {4, 0, 0, 0.5f, 0.5f}, {0, 4, 0, 1, 0.5f}, 1);
    addTestTriangle(model, 7);  // no picture for texture 7
    placeBrush(1, 1, 0);
    model.paintModel(&brush);
    EXPECT_EQ(0, paintedTexels(texture));
    EXPECT_EQ((std::vector<GLuint>{1, 1}), model.texturesToReload);
}

TEST(BrushModel, attributes_and_sphere_test)
{
    BrushModel brush("brush");
    const char** names = brush.getAttributeNames();
    std::string listed;
    for (int i = 0; i < brush.getAttributeCount(); ++i)
        listed += std::string(names[i]) + " ";
    free(names);
    EXPECT_EQ("blue dim1 dim2 green opacity red solid_dim1 x y z ", listed);
    EXPECT_EQ(0.5, brush.getAttribute("opacity"));
    EXPECT_EQ(0.6, brush.getAttribute("solid_dim1"));
    EXPECT_EQ(1.0, brush.getAttribute("dim1"));
    EXPECT_EQ(SPHERE, brush.getShape());

    brush.setAttribute("x", 1);
    brush.setAttribute("y", 2);
    brush.setAttribute("z", 3);
    float dist = -1;
    const float on[3] = {1, 2, 4}, in[3] = {1.5f, 2, 3};
    EXPECT_FALSE(brush.contains(on, dist));
    EXPECT_EQ(1.0f, dist);
    EXPECT_TRUE(brush.contains(in, dist));
    EXPECT_EQ(0.5f, dist);
    brush.setShape(static_cast<brush_shape>(1));
    dist = -1;
    EXPECT_FALSE(brush.contains(in, dist));
    EXPECT_EQ(-1.0f, dist);
}

}  // namespace
