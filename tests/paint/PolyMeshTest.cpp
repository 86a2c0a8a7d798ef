// Mesh indices, failure codes and shape version; a face's normal, centre and bounding radius.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <utility>

#include "paint/mesh/PolyMesh.h"

namespace {

TEST(PolyMesh, indices_follow_addition_and_bad_ones_are_refused_leaving_the_version) {
    PolyMesh mesh;
    // Every adder and setter, in this order: {result, expected}.
    const int results[][2] = {
        {mesh.addVertex(0, 0, 0), 0},  {mesh.addVertex(1, 0, 0), 1},   {mesh.addVertex(0, 1, 0), 2},
        {mesh.addNormal(0, 0, 1), 0},  {mesh.addNormal(0, 1, 0), 1},   {mesh.addTexCoord(0, 0), 0},
        {mesh.addTexCoord(1, 0), 1},   {mesh.addTriangle(0, 1, 2), 0}, {mesh.addTriangle(0, 1, 3), -1},  // no vertex 3
        {mesh.setNormal(0, 3, 0), -1}, {mesh.setTexCoord(0, 3, 0), 1},  // no corner 3: the codes differ
        {mesh.setNormal(1, 0, 0), 1},  {mesh.setTexCoord(1, 0, 0), 1}, {mesh.setTexture(1, 7), 1},  // no triangle 1
        {mesh.setNormal(0, 0, 2), 1},  {mesh.setTexCoord(0, 0, 2), 1},  // no normal or coordinate 2
        {mesh.setNormal(0, 2, 1), 0},  {mesh.setTexCoord(0, 2, 1), 0}, {mesh.setTexture(0, 7), 0},
    };
    for (const auto& result : results)
        EXPECT_EQ(result[1], result[0]) << "case " << &result - results;
    PolyMesh::Triangle* tri = mesh.getTriangle(0);
    EXPECT_EQ(nullptr, mesh.getTriangle(1));
    EXPECT_EQ(mesh.getVertex(2), tri->verts[2]);
    EXPECT_EQ(mesh.getNormal(1), tri->norms[2]);
    EXPECT_EQ(mesh.getTexCoord(1), tri->tcs[2]);
    EXPECT_EQ(7u, tri->getTexture());
    // {change, whether it must count}: a refused change leaves the shape version alone.
    const std::pair<std::function<int()>, bool> changes[] = {
        {[&] { return mesh.addTriangle(0, 1, 2); }, true},
        {[&] { return mesh.addTriangle(0, 1, 9); }, false},
        {[&] { return mesh.setNormal(0, 1, 0); }, true},
        {[&] { return mesh.setNormal(0, 1, 5); }, false},
        {[&] { return mesh.setTexCoord(0, 2, 0); }, true},
        {[&] { return mesh.setTexCoord(4, 2, 0); }, false},
        {[&] { return mesh.setTexture(0, 3); }, true},
        {[&] { return mesh.setTexture(2, 3); }, false},
        {[&] { return mesh.moveVertex(1, 2, 0, 0); }, true},
        {[&] { return mesh.moveVertex(8, 2, 0, 0); }, false},
        {[&] { return mesh.setNormalVector(0, 0, 1, 0); }, true},
        {[&] { return mesh.setNormalVector(3, 0, 1, 0); }, false},
    };
    for (const auto& change : changes) {
        const unsigned long before = mesh.shapeVersion();
        change.first();
        EXPECT_EQ(change.second, mesh.shapeVersion() != before) << "change " << &change - changes;
    }
    const unsigned long before = mesh.shapeVersion();
    mesh.updateTriangles();
    EXPECT_NE(before, mesh.shapeVersion());
}

TEST(PolyMesh, face_normal_centre_and_radius) {
    // The plane x/2 + y/3 + z/6 = 1: normal (3, 2, 1) / sqrt(14), centre (2/3, 1, 2), farthest corner (0, 0, 6).
    PolyMesh mesh;
    mesh.addTriangle(mesh.addVertex(2, 0, 0), mesh.addVertex(0, 3, 0), mesh.addVertex(0, 0, 6));
    const double expected[6] = {3 / std::sqrt(14.0), 2 / std::sqrt(14.0), 1 / std::sqrt(14.0), 2.0 / 3, 1, 2};
    float got[6];
    mesh.getTriangle(0)->getFaceNormal(got);
    mesh.getTriangle(0)->getCenter(got + 3);
    for (int k = 0; k < 6; ++k)
        EXPECT_NEAR(expected[k], got[k], 1e-6) << k;
    EXPECT_NEAR(std::sqrt(4.0 / 9 + 1 + 16), mesh.getTriangle(0)->getDiameter(), 1e-5);
}

}  // namespace
