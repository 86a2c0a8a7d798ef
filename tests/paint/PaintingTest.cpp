// Painting a model, and its draws. On the test triangle (0,0,0), (4,0,0), (0,4,0) with s = x / 4, t = y / 4 and a
// 32 x 32 texture, texel (c, r) shows the point ((c + 1) / 8, (r + 1) / 8, 0).
#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "paint/PaintSession.h"
#include "paint/PaintableModel.h"
#include "paint/brush/BrushModel.h"
#include "tests/SameBytes.h"
#include "tests/paint/PaintTestSupport.h"

using painttest::Bytes;

namespace {

struct TestPaintable : PaintableModel {
    TestPaintable() : PaintableModel("canvas") {}
    void modelInit() override { ++inits; }
    void addTestTriangle(GLuint texture) {
        const float at[3][3] = {{0, 0, 0}, {4, 0, 0}, {0, 4, 0}}, st[3][2] = {{0, 0}, {1, 0}, {0, 1}};
        painttest::addMapped(*this, at, st, texture);
    }
    int inits = 0;
    using PaintableModel::textures;
};

class Painting : public testing::Test {
protected:
    void SetUp() override {
        writeFile(file, painttest::makeBmp(32, 32, 0));
        ASSERT_NE(nullptr, texture = model.textures[1] = Image::load(&file));
        model.addTestTriangle(1);
    }

    Bytes texel(double x, double y) {  // the colour shown at (x, y, 0)
        unsigned char px[3] = {1, 1, 1};
        EXPECT_EQ(1, texture->get(std::lround(x * 8) - 1, std::lround(y * 8) - 1, px)) << x << "," << y;
        return Bytes(px, px + 3);
    }

    void stroke(double x, double y, double z) {
        for (auto [name, value] : {std::pair{"x", x}, {"y", y}, {"z", z}})
            brush.setAttribute(name, value);
        model.paintModel(&brush);
    }

    ScratchDir dir;
    std::string file = dir.path("black.bmp");
    TestPaintable model;
    painttest::OpenBrush brush{"brush"};
    Image* texture = nullptr;
    const Bytes black{0, 0, 0};
};

TEST_F(Painting, moved_model_is_painted_where_it_is_drawn_and_strokes_blend) {
    for (auto [name, value] : {std::pair{"x", 10}, {"y", -3}, {"z", 5}})
        model.setAttribute(name, value);
    stroke(1, 1, 0);  // where the mesh was before the move
    EXPECT_TRUE(model.lastPaintChanges().empty());
    stroke(11, -2, 5);
    stroke(11, -2, 5);
    EXPECT_EQ(Bytes(3, 191), texel(1.25, 1.0));   // 127.5 + 127 * 0.5
    EXPECT_EQ(Bytes(3, 110), texel(1.625, 1.5));  // 63.6 + 63 * (1 - 0.2495)
}

// In texels: the test triangle below x + y = 31, its mirror image above x + y = 37.2, between them a far-off one the
// brush never reaches. A mirrored dab paints both, bleeds two texels onto bare texels only, and undoes in one step.
TEST_F(Painting, a_mirrored_dab_bleeds_onto_bare_texels_only_and_undoes_in_one_step) {
    const float below[3][3] = {{0, 0, 0}, {4, 0, 0}, {0, -4, 0}}, beyond[3][2] = {{1, 1}, {0.2f, 1}, {1, 0.2f}};
    const float far[3][3] = {{0, 0, 9}, {1, 0, 9}, {0, 1, 9}},
                between[3][2] = {{1.5f, 0.52f}, {1.66f, 0.52f}, {1.5f, 0.68f}};
    painttest::addMapped(model, below, beyond, 1);
    painttest::addMapped(model, far, between, 1);
    for (auto [name, value] :
         {std::pair{"mirror", 2.0}, {"opacity", 1.0}, {"solid_dim1", 1.0}, {"green", 0.0}, {"blue", 0.0}})
        brush.put(name, value);
    PaintSession session;
    struct Restore {
        PaintRecorder* was;
        ~Restore() { paint_recorder = was; }
    } restore{paint_recorder};
    paint_recorder = &session;
    const Bytes before(texture->pixels(), texture->pixels() + texture->pixelBytes());
    for (auto [name, value] : {std::pair{"x", 2.0}, {"y", 2.0}, {"z", 0.0}})
        brush.setAttribute(name, value);
    session.paintStroke(model, &brush);

    const Bytes red{255, 0, 0};
    auto colour = [&](int x, int y) {
        unsigned char px[3] = {1, 1, 1};
        texture->get(x, y, px);
        return Bytes(px, px + 3);
    };
    auto inSmall = [](int x, int y) { return x >= 15 && x <= 20 && y >= 16 && y <= 21; };  // its texels' bounds
    std::vector<std::array<int, 2>> painted;
    int paintedBeyond = 0;
    for (int x = 0; x < 32; ++x)
        for (int y = 0; y < 32; ++y)
            if (colour(x, y) == red && (x + y <= 31 || x + y >= 36)) {
                painted.push_back({x, y});
                paintedBeyond += x + y >= 36;
            }
    EXPECT_GT(paintedBeyond, 20);  // the mirrored half
    const TexelRect changed = model.lastPaintChanges().at(1);
    int bled = 0, spared = 0;
    for (int x = 0; x < 32; ++x)
        for (int y = 0; y < 32; ++y) {
            int nearest = 1 << 20;
            for (const auto& p : painted)
                nearest = std::min(nearest, (p[0] - x) * (p[0] - x) + (p[1] - y) * (p[1] - y));
            const Bytes now = colour(x, y);
            if (now != black) {
                EXPECT_TRUE(changed.x0 <= x && x <= changed.x1 && changed.y0 <= y && y <= changed.y1) << x << "," << y;
            }
            if (x >= 16 && y >= 17 && x + y <= 34) {  // wholly inside the small triangle
                EXPECT_EQ(black, now) << x << "," << y;
                spared += nearest <= 4;
            } else if (x + y >= 32 && x + y <= 35 && !inSmall(x, y)) {  // shown by no triangle
                EXPECT_EQ(nearest <= 4 ? red : black, now) << x << "," << y << " at " << nearest;
                bled += nearest <= 4;
            }
        }
    EXPECT_GT(bled, 10);
    EXPECT_GT(spared, 0);

    const auto find = [&](unsigned long long serial) { return serial == model.serial() ? &model : nullptr; };
    EXPECT_EQ("undo: paint stroke on model 'canvas', skin 1", session.undo(find).message);
    EXPECT_TRUE(sameBytes(before, Bytes(texture->pixels(), texture->pixels() + texture->pixelBytes())));
}

// After dabs on every border and corner, with and without draws between, the texture holds the picture; a reload too.
TEST(PaintableModelGL, painted_rectangles_reach_the_texture_at_borders_and_corners) {
    if (!painttest::ensureGlContext())
        GTEST_SKIP() << "no X display";
    ScratchDir dir;
    writeFile(dir.path("skin.bmp"), painttest::makeBmp(37, 29));  // rows of 111 bytes
    writeFile(dir.path("grey.bmp"), painttest::makeBmp(37, 29, 200));
    TestPaintable model;
    ASSERT_EQ(1, model.loadTexture(1, dir.path("skin.bmp").c_str()));
    model.draw();
    model.draw();
    EXPECT_EQ(1, model.inits);  // the first draw builds the model, once
    ASSERT_EQ(1, model.numTextures());
    const GLuint name = model.textures.begin()->first;
    Image* image = model.textures.begin()->second;
    const auto uploaded = [&] {
        return Bytes(image->pixels(), image->pixels() + image->pixelBytes()) == painttest::texturePixels(name);
    };
    EXPECT_TRUE(uploaded());
    painttest::addSquare(model, name);
    BrushModel brush("brush");
    for (auto [attribute, value] :
         {std::pair{"dim1", 0.7}, {"solid_dim1", 0.3}, {"opacity", 0.8}, {"red", 1.0}, {"green", 0.2}, {"blue", 0.6}})
        brush.setAttribute(attribute, value);
    const struct {
        double x, y;
        bool drawAfter;
    } dabs[] = {{0.03, 0.02, true}, {3.98, 0.03, false}, {3.97, 3.98, true}, {0.02, 3.97, false}, {0.2, 0.1, false},
                {2, 0, true},       {4, 2, false},       {2, 4, false},      {0, 2, true},        {3.9, 3.95, true},
                {-0.3, 2, true},    {2, 4.3, false},     {4.1, -0.2, true}};
    for (const auto& dab : dabs) {
        SCOPED_TRACE(testing::Message() << "dab at " << dab.x << "," << dab.y);
        brush.setAttribute("x", dab.x);
        brush.setAttribute("y", dab.y);
        model.paintModel(&brush);
        ASSERT_EQ(1u, model.lastPaintChanges().size());
        if (dab.drawAfter)
            model.draw();
        EXPECT_EQ(dab.drawAfter, uploaded());  // painting changes only the picture until the next draw
    }
    model.draw();
    EXPECT_TRUE(uploaded());

    ASSERT_EQ(1, model.loadTexture(static_cast<int>(name), dir.path("grey.bmp").c_str()));
    model.draw();
    EXPECT_TRUE(uploaded());
}

}  // namespace
