// The painter's texel walk against the frozen reference walk, and the float arithmetic it steps with.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <memory>
#include <random>
#include <set>
#include <vector>

#include "paint/brush/BrushModel.h"
#include "paint/brush/DabCanvas.h"
#include "paint/brush/TexelStepping.h"
#include "paint/brush/TrianglePainter.h"
#include "tests/SameBytes.h"
#include "tests/paint/PaintTestSupport.h"
#include "tests/paint/ReferenceWalk.h"

namespace {

// Paints tri on the width x height gradient with the painter and the reference walk (its first blend of each texel);
// pictures and changed rectangles must match. Returns the painter's samples; painted: whether it changed a texel.
long long paintsLikeTheReference(const BrushSnapshot& brush, const float* offset, PolyMesh::Triangle* tri, int width,
                                 int height, ScratchDir& dir, bool* painted) {
    *painted = false;
    std::string file = dir.path(std::to_string(width) + "x" + std::to_string(height) + ".bmp");
    if (!std::ifstream(file))
        writeFile(file, painttest::makeBmp(width, height));
    std::unique_ptr<Image> expected(Image::load(&file)), actual(Image::load(&file));
    EXPECT_TRUE(expected && actual);
    if (!expected || !actual)
        return -1;
    painttest::ReferenceWalk reference(brush, offset);
    std::set<std::pair<int, int>> blended;
    GLubyte colour[3] = {brush.colour[0], brush.colour[1], brush.colour[2]};
    TexelRect expectedRect;
    for (const painttest::Hit& hit : reference.walk(tri, width, height))
        if (blended.insert({hit.x, hit.y}).second && expected->set(hit.x, hit.y, colour, hit.opacity))
            expectedRect.include(hit.x, hit.y);

    TrianglePainter painter(brush, offset);
    DabStamps stamps;
    TexelRect changed;
    DabCanvas canvas(*actual, stamps, changed);
    if (painter.measure(tri))
        painter.paint(canvas);
    EXPECT_TRUE(sameBytes(painttest::topFirst(*expected), painttest::topFirst(*actual)));
    EXPECT_EQ(expectedRect, changed) << changed.x0 << "," << changed.y0 << " " << changed.x1 << "," << changed.y1;
    *painted = !changed.empty();
    return painter.samplesTaken();
}

}  // namespace

// Coordinates far beyond the picture: about one sample per texel, a texel to spare each side; (s, t) at (10s, 10t, 0).
TEST(TrianglePainter, far_out_coordinates_walk_only_the_texels_of_the_image) {
    const struct {
        float reach;  // the corners lie at about +-reach in s and t
        int width, height;
    } cases[] = {{30000, 16, 16}, {30000, 1, 1}, {30000, 5, 40}, {300, 64, 8}};
    BrushModel brush("brush");
    for (auto [name, value] : {std::pair{"x", 5.0}, {"y", 5.0}, {"dim1", 3.0}, {"solid_dim1", 2.9}, {"opacity", 1.0}})
        brush.setAttribute(name, value);
    ScratchDir dir;
    for (const auto& f : cases) {
        SCOPED_TRACE(testing::Message() << f.reach << " on " << f.width << "x" << f.height);
        const float st[3][2] = {{-f.reach, -f.reach}, {f.reach, -f.reach}, {0, f.reach}};
        float at[3][3];
        for (int i = 0; i < 3; ++i)
            at[i][0] = 10 * st[i][0], at[i][1] = 10 * st[i][1], at[i][2] = 0;
        PolyMesh mesh;
        const int tri = painttest::addMapped(mesh, at, st, 0);
        const float origin[3] = {0, 0, 0};
        bool painted = false;
        const long long samples =
            paintsLikeTheReference(brush.snapshot(), origin, mesh.getTriangle(tri), f.width, f.height, dir, &painted);
        EXPECT_EQ(f.width > 1, painted);  // on one texel the samples, 10 apart, all miss the brush
        EXPECT_GT(samples, 0);
        EXPECT_LE(samples, (f.width + 4LL) * (f.height + 4LL));
    }
}

// Random triangles, brushes and sizes; large pictures with small brushes give rows mostly stepped over.
TEST(TrianglePainter, blends_what_the_straightforward_walk_blends_on_random_triangles) {
    const struct {
        int trials, sizeFrom, sizeTo;
        double largestRadius;
        int leastPainted;
    } cases[] = {{1500, 1, 48, 3, 500}, {60, 300, 700, 1.5, 20}};
    std::mt19937 random(20240611);
    auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(random); };
    ScratchDir dir;
    for (const auto& c : cases) {
        int painted = 0;
        for (int trial = 0; trial < c.trials && !HasFailure(); ++trial) {
            std::uniform_int_distribution<int> size(c.sizeFrom, c.sizeTo);
            const int width = size(random), height = size(random);
            SCOPED_TRACE(testing::Message() << "trial " << trial << " on " << width << "x" << height);
            // A triangle about a random brush, its coordinates mostly on the picture, now and then far beyond it.
            const double reach = trial % 10 == 0 ? 40 : 1.3, radius = uniform(0.2, c.largestRadius);
            BrushModel brush("brush");
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
            PolyMesh mesh;
            int v[3];
            for (int i = 0; i < 3; ++i)
                v[i] = mesh.addVertex(float(snapshot.center[0] - offset[0] + uniform(-3, 3)),
                                      float(snapshot.center[1] - offset[1] + uniform(-3, 3)), float(uniform(-1, 1)));
            const int tri = mesh.addTriangle(v[0], v[1], v[2]);
            for (int i = 0; i < 3; ++i)
                mesh.setTexCoord(
                    tri, i, mesh.addTexCoord(float(uniform(-reach + 1, reach)), float(uniform(-reach + 1, reach))));
            bool hit = false;
            paintsLikeTheReference(snapshot, offset, mesh.getTriangle(tri), width, height, dir, &hit);
            painted += hit;
        }
        EXPECT_GE(painted, c.leastPainted);  // most trials reach some texels
    }
}

// Quotients are the floats dividing gives, bit for bit: near halfway points, zeros, infinities and NaNs too.
TEST(TrianglePainter, quotients_round_to_the_floats_dividing_gives) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const float kInf = std::numeric_limits<float>::infinity(), kNaN = std::numeric_limits<float>::quiet_NaN();
    std::vector<std::pair<double, std::vector<float>>> cases = {
        {0.0, {0.0f, 1.0f, -1.0f}}, {-0.0, {1.0f}},       {1e-310, {1.0f, 0.5f}},      {1e305, {3e38f, 1.0f}},
        {3.0, {0.0f, -0.0f, kInf}}, {-7.0, {kNaN, 2.0f}}, {kInf, {1.0f, kInf}},        {kNaN, {1.0f}},
        {1e-30, {1e-30f, 3e-39f}},  {2e30, {3e38f}},      {0.1, {0.3f, 0.7f, 1e-40f}},
    };
    for (int i = 0; i < 3000; ++i) {
        // n / den within a unit or two in the last place of a point halfway between two floats.
        const float n = static_cast<float>(unit(random) * 2 - 1), f = static_cast<float>(unit(random));
        const double halfway = f + (static_cast<double>(std::nextafter(f, 2.0f)) - f) / 2;
        cases.push_back({n / halfway, {n, std::nextafter(n, 2.0f), std::nextafter(n, -2.0f)}});
    }
    int reciprocalWrong = 0;
    for (const auto& [den, numerators] : cases) {
        FloatDivisor divisor;
        divisor.set(den);
        for (const double from : {0.0, 0.25}) {
            std::vector<float> out(numerators.size());
            divisor.fractions(numerators.data(), from, static_cast<int>(numerators.size()), out.data());
            for (size_t i = 0; i < numerators.size(); ++i) {
                const float expected = static_cast<float>((static_cast<double>(numerators[i]) - from) / den);
                const float viaReciprocal =
                    static_cast<float>((static_cast<double>(numerators[i]) - from) * divisor.inv);
                reciprocalWrong += divisor.useInverse && std::memcmp(&expected, &viaReciprocal, sizeof expected) != 0;
                ASSERT_EQ(0, std::memcmp(&expected, &out[i], sizeof expected))
                    << numerators[i] << " - " << from << " / " << den << ": " << out[i] << " for " << expected;
            }
        }
    }
    EXPECT_GT(reciprocalWrong, 0);  // the cases include quotients a bare reciprocal gets wrong
}

// Stepping in whole runs lands where single float sums land, across powers of two and for steps too small to move t.
TEST(TrianglePainter, stepping_in_runs_lands_where_single_steps_land) {
    const auto oneByOne = [](float t, float step, double target) {
        while (t < target) {
            const float next = t + step;
            if (next == t)
                break;
            t = next;
        }
        return t;
    };
    std::vector<std::array<double, 3>> cases = {
        {0.1, 1.0 / 1023, 0.9}, {0.4999, 1.0 / 1024, 0.75}, {-0.01, 1.0 / 300, 0.6},
        {0.0, 1e-3, 0.3},       {1e-40, 1e-39, 1e-37},      {0.5, 3.0 * std::ldexp(1.0, -25), 1.0},
        {1.0, 1e-9, 2.0},       {3e6, 0.75, 3.1e6},         {0.25, 0.0, 1.0},
        {0.7, 0.01, 0.2},       {1e30, 1e23, 1.5e30},       {0.3, 1.0 / 3, 7.0},
    };
    std::mt19937 random(11);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int i = 0; i < 2000; ++i) {
        const double scale = std::ldexp(1.0, static_cast<int>(unit(random) * 8) - 4);
        const float step = static_cast<float>(scale * std::ldexp(unit(random), -static_cast<int>(unit(random) * 14)));
        const double t = scale * (unit(random) * 2 - 0.5);
        cases.push_back({t, step, t + scale * unit(random) * 3});
    }
    for (const auto& [t, step, target] : cases) {
        const float expected = oneByOne(static_cast<float>(t), static_cast<float>(step), target);
        const float actual = stepUntil(static_cast<float>(t), static_cast<float>(step), target);
        ASSERT_EQ(0, std::memcmp(&expected, &actual, sizeof expected))
            << "from " << static_cast<float>(t) << " by " << static_cast<float>(step) << " to " << target << ": "
            << actual << " for " << expected;
    }
}
