// Mesh indices and failure codes, face normals, centres and bounding radii.
#include <gtest/gtest.h>

#include <cmath>

#include "paint/PolyMesh.h"

namespace {

// A mesh with the corners (0,0,0), (1,0,0), (0,1,0), one normal, one
// coordinate and the triangle 0-1-2.
struct RightTriangle : testing::Test {
    void SetUp() override
    {
        EXPECT_TRUE(mesh.triangleIterator() == mesh.triangleIteratorEnd());
        EXPECT_EQ(0, mesh.addVertex(0, 0, 0));
        EXPECT_EQ(1, mesh.addVertex(1, 0, 0));
        EXPECT_EQ(2, mesh.addVertex(0, 1, 0));
        EXPECT_EQ(0, mesh.addNormal(0.5f, 0.25f, 2.0f));  // kept as given, not normalised
        EXPECT_EQ(0, mesh.addTexCoord(0.75f, 0.125f));
        EXPECT_EQ(0, mesh.addTriangle(0, 1, 2));
    }
    PolyMesh mesh;
};

TEST_F(RightTriangle, bad_indices_are_refused_with_their_own_codes)
{
    EXPECT_EQ(-1, mesh.addTriangle(0, 1, 3));  // 3 == number of vertices
    EXPECT_EQ(nullptr, mesh.getTriangle(1));
    EXPECT_EQ(-1, mesh.setNormal(0, 3, 0));  // corner 3: -1 for normals ...
    EXPECT_EQ(1, mesh.setTexCoord(0, 3, 0));  // ... but 1 for coordinates
    EXPECT_EQ(1, mesh.setNormal(1, 0, 0));
    EXPECT_EQ(1, mesh.setNormal(0, 0, 1));
    EXPECT_EQ(1, mesh.setTexCoord(0, 0, 1));
    EXPECT_EQ(1, mesh.setTexture(1, 7));
    EXPECT_EQ(nullptr, mesh.getVertex(3));
    EXPECT_EQ(nullptr, mesh.getTriangle(0)->getVertex(3));

    EXPECT_EQ(0, mesh.setNormal(0, 2, 0));
    EXPECT_EQ(0, mesh.setTexCoord(0, 2, 0));
    EXPECT_EQ(0, mesh.setTexture(0, 7));
    EXPECT_EQ(7u, mesh.getTriangle(0)->getTexture());
    EXPECT_EQ(mesh.getVertex(2), mesh.getTriangle(0)->getVertex(2));
}

TEST_F(RightTriangle, corner_getters_write_only_what_is_set)
{
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
    EXPECT_EQ(2.0f, out[2]);
    tri->getVertexTexCoords(1, out);
    EXPECT_EQ(0.125f, out[1]);
}

TEST_F(RightTriangle, knows_its_normal_centre_and_radius)
{
    mesh.addTriangle(0, 2, 1);  // the other way round
    float n[3], c[3];
    mesh.getTriangle(0)->getFaceNormal(n);
    EXPECT_FLOAT_EQ(0.0f, n[0]);
    EXPECT_FLOAT_EQ(1.0f, n[2]);
    mesh.getTriangle(1)->getFaceNormal(n);
    EXPECT_FLOAT_EQ(-1.0f, n[2]);
    mesh.getTriangle(0)->getCenter(c);
    EXPECT_FLOAT_EQ(1.0f / 3, c[0]);
    EXPECT_FLOAT_EQ(1.0f / 3, c[1]);
    // Farthest corners (1,0,0) and (0,1,0): sqrt((2/3)^2 + (1/3)^2).
    EXPECT_FLOAT_EQ(std::sqrt(5.0f) / 3, mesh.getTriangle(0)->getDiameter());
}

TEST(PolyMesh, tilted_and_degenerate_triangles)
{
    PolyMesh mesh;
    mesh.addVertex(2, 0, 0);
    mesh.addVertex(0, 3, 0);
    mesh.addVertex(0, 0, 6);
    mesh.addTriangle(0, 1, 2);
    float n[3];
    mesh.getTriangle(0)->getFaceNormal(n);
    // The plane x/2 + y/3 + z/6 = 1 has normal (3, 2, 1) / sqrt(14).
    EXPECT_NEAR(3 / std::sqrt(14.0), n[0], 1e-6);
    EXPECT_NEAR(2 / std::sqrt(14.0), n[1], 1e-6);
    EXPECT_NEAR(1 / std::sqrt(14.0), n[2], 1e-6);
    // Centre (2/3, 1, 2); the farthest corner is (0, 0, 6).
    EXPECT_NEAR(std::sqrt(4.0 / 9 + 1 + 16), mesh.getTriangle(0)->getDiameter(), 1e-5);

    mesh.addVertex(4, -3, 0);  // on the line through the first two corners
    testing::internal::CaptureStdout();
    EXPECT_EQ(1, mesh.addTriangle(0, 1, 3));
    EXPECT_EQ("zero length vector", testing::internal::GetCapturedStdout());
    mesh.getTriangle(1)->getFaceNormal(n);
    EXPECT_EQ(0.0f, n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
}

}  // namespace
