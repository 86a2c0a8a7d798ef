// The brush's triangle search against testing every triangle, for spheres and rays, and as the mesh moves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "paint/brush/PaintGeometry.h"
#include "paint/mesh/SurfaceRay.h"
#include "paint/mesh/TriangleGrid.h"

namespace {

struct Soup : PolyMesh {
    std::vector<Triangle*>& all() { return triangles; }
};

// The indices the exact sphere test of the brush takes, found by looking at every triangle.
std::vector<unsigned int> reached(Soup& mesh, const float* centre, double radius) {
    std::vector<unsigned int> out;
    for (unsigned int i = 0; i < mesh.all().size(); ++i) {
        float c[3];
        mesh.all()[i]->getCenter(c);
        if (static_cast<double>(mesh.all()[i]->getDiameter()) + radius > std::fabs(distanceBetween(c, centre)))
            out.push_back(i);
    }
    return out;
}

TEST(TriangleGrid, offers_every_triangle_the_brush_reaches_in_mesh_order_and_rays_the_nearest_they_meet) {
    std::mt19937 random(7);
    auto uniform = [&](double lo, double hi) { return float(std::uniform_real_distribution<double>(lo, hi)(random)); };
    // Small triangles spread over a box, a few large ones, one spanning everything and a flat sheet.
    const struct {
        int count;
        float spread, size;
    } kinds[] = {{3000, 50, 0.5f}, {20, 50, 20}, {1, 0, 400}, {500, 10, 0.05f}};
    Soup mesh;
    for (const auto& kind : kinds)
        for (int n = 0; n < kind.count; ++n) {
            const float base[3] = {uniform(-kind.spread, kind.spread), uniform(-kind.spread, kind.spread),
                                   kind.size < 0.1f ? 0.0f : uniform(-kind.spread, kind.spread)};
            int v[3];
            for (int i = 0; i < 3; ++i)
                v[i] =
                    mesh.addVertex(base[0] + uniform(-kind.size, kind.size), base[1] + uniform(-kind.size, kind.size),
                                   base[2] + (kind.size < 0.1f ? 0.0f : uniform(-kind.size, kind.size)));
            mesh.addTriangle(v[0], v[1], v[2]);
        }
    TriangleGrid grid;
    grid.refresh(mesh.all(), mesh.shapeVersion());
    std::vector<unsigned int> offered;
    size_t total = 0, wanted = 0;
    for (int trial = 0; trial < 400; ++trial) {
        const float centre[3] = {uniform(-60, 60), uniform(-60, 60), uniform(-60, 60)};
        const double radius = trial % 50 == 0 ? 500 : uniform(0.01, 8);
        grid.candidates(centre, radius, &offered);
        ASSERT_TRUE(std::is_sorted(offered.begin(), offered.end()));
        ASSERT_EQ(offered.end(), std::adjacent_find(offered.begin(), offered.end()));
        const std::vector<unsigned int> want = reached(mesh, centre, radius);
        ASSERT_TRUE(std::includes(offered.begin(), offered.end(), want.begin(), want.end())) << "trial " << trial;
        total += offered.size();
        wanted += want.size();

        const double from[3] = {centre[0], centre[1], centre[2]};
        const double way[3] = {uniform(-1, 1), uniform(-1, 1), uniform(-1, 1)};
        SurfaceRay::Hit hit, tried, nearest;
        for (PolyMesh::Triangle* tri : mesh.all())
            if (SurfaceRay::meets(tri, from, way, tried) && (!nearest.triangle || tried.along < nearest.along))
                nearest = tried;
        ASSERT_EQ(nearest.triangle != nullptr, SurfaceRay::nearest(grid, mesh.all(), from, way, hit))
            << "trial " << trial;
        if (nearest.triangle) {
            EXPECT_EQ(nearest.along, hit.along) << "trial " << trial;
        }
    }
    EXPECT_LT(total, 2 * wanted) << wanted;  // a search, not a list of everything
}

TEST(TriangleGrid, follows_the_mesh_when_its_shape_version_moves_on) {
    Soup mesh;
    for (int i = 0; i < 100; ++i) {
        const float x = static_cast<float>(i);
        mesh.addTriangle(mesh.addVertex(x, 0, 0), mesh.addVertex(x + 0.5f, 0, 0), mesh.addVertex(x, 0.5f, 0));
    }
    TriangleGrid grid;
    grid.refresh(mesh.all(), mesh.shapeVersion());
    const float far[3] = {500, 0, 0};
    std::vector<unsigned int> offered;
    grid.candidates(far, 1, &offered);
    EXPECT_EQ(offered.end(), std::find(offered.begin(), offered.end(), 7u));

    // Triangle 7 moves to the far point; a refresh with the new version finds it there.
    for (unsigned int corner = 0; corner < 3; ++corner)
        mesh.moveVertex(21 + corner, 500 + 0.5f * (corner == 1), 0.5f * (corner == 2), 0);
    mesh.updateTriangles();
    grid.refresh(mesh.all(), mesh.shapeVersion());
    grid.candidates(far, 1, &offered);
    EXPECT_NE(offered.end(), std::find(offered.begin(), offered.end(), 7u));
}

}  // namespace
