// Mesh indices and failure codes, face normals, centres and bounding radii.
#include <gtest/gtest.h>

#include <cmath>

#include "paint/PolyMesh.h"
#include "paint/VectorMath.h"

namespace {

TEST(PolyMesh, elements_are_numbered_from_zero_in_order_of_addition)
{
    PolyMesh mesh;
    EXPECT_EQ(0, mesh.addVertex(0, 0, 0));
    EXPECT_EQ(1, mesh.addVertex(1, 0, 0));
    EXPECT_EQ(2, mesh.addVertex(0, 1, 0));
    EXPECT_EQ(0, mesh.addNormal(0, 0, 1));
    EXPECT_EQ(1, mesh.addNormal(0, 0, -1));
    EXPECT_EQ(0, mesh.addTexCoord(0.5f, 0.25f));
    EXPECT_EQ(0, mesh.addTriangle(0, 1, 2));
    EXPECT_EQ(1, mesh.addTriangle(2, 1, 0));
    EXPECT_EQ(mesh.getVertex(1), mesh.getTriangle(1)->getVertex(1));
    EXPECT_EQ(mesh.getVertex(2), mesh.getTriangle(1)->getVertex(0));
    EXPECT_EQ(nullptr, mesh.getTriangle(2));
    EXPECT_EQ(nullptr, mesh.getVertex(3));
    EXPECT_EQ(nullptr, mesh.getNormal(2));
    EXPECT_EQ(nullptr, mesh.getTexCoord(1));
    EXPECT_EQ(nullptr, mesh.getTriangle(0)->getVertex(3));
}

TEST(PolyMesh, bad_indices_are_reported_by_their_own_codes)
{
    PolyMesh mesh;
    EXPECT_TRUE(mesh.triangleIterator() == mesh.triangleIteratorEnd());
    mesh.addVertex(0, 0, 0);
    mesh.addVertex(1, 0, 0);
    mesh.addVertex(0, 1, 0);
    EXPECT_EQ(-1, mesh.addTriangle(0, 1, 3));  // 3 == number of vertices
    EXPECT_TRUE(mesh.triangleIterator() == mesh.triangleIteratorEnd());
    ASSERT_EQ(0, mesh.addTriangle(0, 1, 2));
    mesh.addNormal(0, 0, 1);
    mesh.addTexCoord(0, 0);

    EXPECT_EQ(-1, mesh.setNormal(0, 3, 0));  // corner 3: -1 for normals ...
    EXPECT_EQ(1, mesh.setTexCoord(0, 3, 0));  // ... but 1 for coordinates
    EXPECT_EQ(1, mesh.setNormal(1, 0, 0));
    EXPECT_EQ(1, mesh.setNormal(0, 0, 1));
    EXPECT_EQ(1, mesh.setTexCoord(1, 0, 0));
    EXPECT_EQ(1, mesh.setTexCoord(0, 0, 1));
    EXPECT_EQ(1, mesh.setTexture(1, 7));
    EXPECT_EQ(nullptr, mesh.getTriangle(0)->getNormal(0));

    EXPECT_EQ(0, mesh.setNormal(0, 2, 0));
    EXPECT_EQ(0, mesh.setTexCoord(0, 2, 0));
    EXPECT_EQ(0, mesh.setTexture(0, 7));
    EXPECT_EQ(mesh.getNormal(0), mesh.getTriangle(0)->getNormal(2));
    EXPECT_EQ(7u, mesh.getTriangle(0)->getTexture());
}

TEST(PolyMesh, corner_getters_leave_output_alone_when_nothing_is_set)
{
    PolyMesh mesh;
    mesh.addVertex(1, 2, 3);
    mesh.addVertex(4, 5, 6);
    mesh.addVertex(7, 8, 10);
    mesh.addTriangle(0, 1, 2);
    mesh.addNormal(0.5f, 0.25f, 2.0f);  // stored as given, not normalised
    mesh.addTexCoord(0.75f, 0.125f);
    mesh.setNormal(0, 1, 0);
    mesh.setTexCoord(0, 1, 0);
    PolyMesh::Triangle* tri = mesh.getTriangle(0);

    float out[3] = {-9, -9, -9};
    tri->getVertexNormal(0, out);  // unset
    tri->getVertexNormal(3, out);  // no such corner
    tri->getVertexTexCoords(2, out);
    tri->getVertexLocation(3, out);
    EXPECT_EQ(-9, out[0]);
    EXPECT_EQ(-9, out[2]);

    tri->getVertexNormal(1, out);
    EXPECT_EQ(0.5f, out[0]);
    EXPECT_EQ(2.0f, out[2]);
    tri->getVertexTexCoords(1, out);
    EXPECT_EQ(0.75f, out[0]);
    EXPECT_EQ(0.125f, out[1]);
    tri->getVertexLocation(2, out);
    EXPECT_EQ(10.0f, out[2]);
}

TEST(PolyMesh, triangle_knows_its_normal_centre_and_radius)
{
    PolyMesh mesh;
    mesh.addVertex(0, 0, 0);
    mesh.addVertex(1, 0, 0);
    mesh.addVertex(0, 1, 0);
    mesh.addTriangle(0, 1, 2);  // counter-clockwise seen from +z
    mesh.addTriangle(0, 2, 1);
    float n[3], c[3];
    mesh.getTriangle(0)->getFaceNormal(n);
    EXPECT_FLOAT_EQ(0.0f, n[0]);
    EXPECT_FLOAT_EQ(0.0f, n[1]);
    EXPECT_FLOAT_EQ(1.0f, n[2]);
    mesh.getTriangle(1)->getFaceNormal(n);
    EXPECT_FLOAT_EQ(-1.0f, n[2]);
    mesh.getTriangle(0)->getCenter(c);
    EXPECT_FLOAT_EQ(1.0f / 3, c[0]);
    EXPECT_FLOAT_EQ(1.0f / 3, c[1]);
    EXPECT_FLOAT_EQ(0.0f, c[2]);
    // Farthest corners (1,0,0) and (0,1,0): sqrt((2/3)^2 + (1/3)^2).
    EXPECT_FLOAT_EQ(std::sqrt(5.0f) / 3, mesh.getTriangle(0)->getDiameter());
}

TEST(PolyMesh, tilted_triangle_has_unit_normal_by_right_hand_rule)
{
    PolyMesh mesh;
    mesh.addVertex(2, 0, 0);
    mesh.addVertex(0, 3, 0);
    mesh.addVertex(0, 0, 6);
    mesh.addTriangle(0, 1, 2);
    float n[3];
    mesh.getTriangle(0)->getFaceNormal(n);
    // The plane x/2 + y/3 + z/6 = 1 has normal (3, 2, 1) / sqrt(14).
    const float len = std::sqrt(14.0f);
    EXPECT_NEAR(3 / len, n[0], 1e-6);
    EXPECT_NEAR(2 / len, n[1], 1e-6);
    EXPECT_NEAR(1 / len, n[2], 1e-6);
    // Radius: distance from centre (2/3, 1, 2) to the farthest corner (0, 0, 6).
    EXPECT_NEAR(std::sqrt(4.0 / 9 + 1 + 16), mesh.getTriangle(0)->getDiameter(), 1e-5);
}

TEST(PolyMesh, degenerate_triangle_reports_zero_length_and_has_zero_normal)
{
    PolyMesh mesh;
    mesh.addVertex(0, 0, 0);
    mesh.addVertex(1, 1, 1);
    mesh.addVertex(2, 2, 2);
    testing::internal::CaptureStdout();
    EXPECT_EQ(0, mesh.addTriangle(0, 1, 2));
    EXPECT_EQ("zero length vector", testing::internal::GetCapturedStdout());
    float n[3];
    mesh.getTriangle(0)->getFaceNormal(n);
    EXPECT_EQ(0.0f, n[0]);
    EXPECT_EQ(0.0f, n[1]);
    EXPECT_EQ(0.0f, n[2]);
}

TEST(VectorMath, normalize_and_cross_product)
{
    float v[3] = {3, 0, 4};
    normalize(v);
    EXPECT_FLOAT_EQ(0.6f, v[0]);
    EXPECT_FLOAT_EQ(0.8f, v[2]);
    float a[3] = {0, 2, 0}, b[3] = {0, 0, 5}, out[3];
    normCrossProd(a, b, out);
    EXPECT_FLOAT_EQ(1.0f, out[0]);
    EXPECT_FLOAT_EQ(0.0f, out[1]);
    normCrossProd(a, b, a);  // output may be an input
    EXPECT_FLOAT_EQ(1.0f, a[0]);
    EXPECT_FLOAT_EQ(0.0f, a[1]);
}

}  // namespace
