// The mesh gathered by texture for drawing: which corners go to which batch, the values each corner carries,
// and when the arrays are gathered again. No OpenGL needed.
#include <gtest/gtest.h>

#include <array>

#include "paint/mesh/DrawBatches.h"

namespace {

typedef std::array<float, 3> Vec3;
typedef std::array<float, 2> Vec2;

// Five triangles with textures 3, 0, 5, 3, 0; triangle 0 has its own normals and coordinates at corners 0
// and 2 only, triangle 1 (untextured) has coordinates that must not be sent, triangle 3 has coordinates at
// its last corner, the others have neither.
struct MixedMesh : PolyMesh {
    MixedMesh() {
        for (int i = 0; i < 7; ++i)
            addVertex(static_cast<float>(i), static_cast<float>(i * i % 5), static_cast<float>(i % 3));
        const unsigned int corners[5][3] = {{0, 1, 2}, {1, 3, 2}, {2, 3, 4}, {4, 5, 6}, {0, 6, 5}};
        const unsigned int textures[5] = {3, 0, 5, 3, 0};
        for (int t = 0; t < 5; ++t)
            setTexture(addTriangle(corners[t][0], corners[t][1], corners[t][2]), textures[t]);
        addNormal(0, 1, 0);
        addNormal(0.6f, 0, 0.8f);
        addTexCoord(0.25f, 0.75f);
        addTexCoord(1, 0.5f);
        setNormal(0, 0, 0);
        setNormal(0, 2, 1);
        setTexCoord(0, 0, 0);
        setTexCoord(0, 2, 1);
        setTexCoord(1, 1, 1);
        setTexCoord(3, 2, 1);
    }
};

Vec3 at3(const std::vector<float>& v, int corner) {
    return {v[3 * corner], v[3 * corner + 1], v[3 * corner + 2]};
}

TEST(DrawBatches, triangles_go_to_their_textures_batch_in_mesh_order_with_their_corner_values) {
    MixedMesh mesh;
    mesh.getTriangle(3)->tint = 2;  // textured: its texture covers the tint
    mesh.getTriangle(4)->tint = 1;  // untextured: a batch of its tint's own
    DrawBatches batches;
    batches.gather(mesh);
    // Textures (and tints) in order of first appearance; each batch its triangles' corners, back to back.
    const DrawBatches::Batch expected[4] = {{3, 0, 6, 0}, {0, 6, 3, 0}, {5, 9, 3, 0}, {0, 12, 3, 1}};
    ASSERT_EQ(4u, batches.batches().size());
    for (int b = 0; b < 4; ++b) {
        EXPECT_EQ(expected[b].texture, batches.batches()[b].texture) << b;
        EXPECT_EQ(expected[b].first, batches.batches()[b].first) << b;
        EXPECT_EQ(expected[b].count, batches.batches()[b].count) << b;
        EXPECT_EQ(expected[b].tint, batches.batches()[b].tint) << b;
    }
    ASSERT_EQ(15u * 3, batches.positions().size());
    ASSERT_EQ(15u * 3, batches.normals().size());
    ASSERT_EQ(15u * 2, batches.texCoords().size());

    // {triangle, corner in the arrays, the normal and coordinates that corner must carry}
    const Vec3 face0 = [&] {
        Vec3 n;
        mesh.getTriangle(0)->getFaceNormal(n.data());
        return n;
    }();
    struct Corner {
        unsigned int triangle, vertex;
        int at;
        Vec3 normal;
        Vec2 st;
    };
    const Corner corners[] = {
        {0, 0, 0, {0, 1, 0}, {0.25f, 0.75f}},  // its own normal and coordinates
        {0, 1, 1, face0, {0, 0}},              // neither: the face normal and (0, 0)
        {0, 2, 2, {0.6f, 0, 0.8f}, {1, 0.5f}},
        {1, 1, 7, {}, {0, 0}},  // untextured: its coordinates are not sent
        {2, 0, 9, {}, {0, 0}},
        {3, 2, 5, {}, {1, 0.5f}},
        {4, 0, 12, {}, {0, 0}},
    };
    for (const Corner& c : corners) {
        SCOPED_TRACE("triangle " + std::to_string(c.triangle) + " corner " + std::to_string(c.vertex));
        PolyMesh::Triangle* tri = mesh.getTriangle(c.triangle);
        Vec3 p, n = c.normal;
        tri->getVertexLocation(c.vertex, p.data());
        if (!tri->getNormal(c.vertex) && c.triangle != 0)
            tri->getFaceNormal(n.data());
        EXPECT_EQ(p, at3(batches.positions(), c.at));
        EXPECT_EQ(n, at3(batches.normals(), c.at));
        EXPECT_EQ(c.st, (Vec2{batches.texCoords()[2 * c.at], batches.texCoords()[2 * c.at + 1]}));
    }

    // What one-at-a-time drawing leaves current: the last corner's normal, the last textured corner's coordinates.
    Vec3 last;
    mesh.getTriangle(4)->getFaceNormal(last.data());
    EXPECT_EQ(last, (Vec3{batches.lastNormal()[0], batches.lastNormal()[1], batches.lastNormal()[2]}));
    Vec2 st = {-1, -1};
    EXPECT_TRUE(batches.lastTexCoord(st.data()));
    EXPECT_EQ((Vec2{1, 0.5f}), st);  // triangle 3's, not the untextured triangle 4's
}

TEST(DrawBatches, gathered_again_only_when_the_mesh_changed_or_forgotten_reusing_the_arrays) {
    MixedMesh mesh;
    DrawBatches batches;
    EXPECT_TRUE(batches.follow(mesh));
    EXPECT_FALSE(batches.follow(mesh));
    const float* positions = batches.positions().data();
    const float* normals = batches.normals().data();

    // A moved vertex (an animated model's next frame) and a turned normal show in every corner they belong to.
    mesh.moveVertex(2, 9, 8, 7);
    mesh.setNormalVector(1, 0, 0, -1);
    mesh.updateTriangles();
    EXPECT_TRUE(batches.follow(mesh));
    EXPECT_EQ((Vec3{9, 8, 7}), at3(batches.positions(), 2));   // triangle 0, corner 2
    EXPECT_EQ((Vec3{9, 8, 7}), at3(batches.positions(), 8));   // triangle 1, corner 2
    EXPECT_EQ((Vec3{9, 8, 7}), at3(batches.positions(), 12));  // triangle 2, corner 0
    EXPECT_EQ((Vec3{0, 0, -1}), at3(batches.normals(), 2));
    Vec3 face;
    mesh.getTriangle(2)->getFaceNormal(face.data());
    EXPECT_EQ(face, at3(batches.normals(), 12));
    EXPECT_EQ(positions, batches.positions().data());  // updated in place
    EXPECT_EQ(normals, batches.normals().data());
    EXPECT_FALSE(batches.follow(mesh));

    // Retextured through the triangle itself: the mesh does not count it, forget() makes it seen.
    mesh.getTriangle(2)->setTexture(3);
    EXPECT_FALSE(batches.follow(mesh));
    batches.forget();
    EXPECT_TRUE(batches.follow(mesh));
    ASSERT_EQ(2u, batches.batches().size());
    EXPECT_EQ(9, batches.batches()[0].count);

    // A texture change through the mesh regroups; a triangle added grows the arrays.
    mesh.setTexture(1, 5);
    EXPECT_TRUE(batches.follow(mesh));
    EXPECT_EQ(3u, batches.batches().size());
    mesh.setTexture(mesh.addTriangle(0, 1, 3), 5);
    EXPECT_TRUE(batches.follow(mesh));
    EXPECT_EQ(18u * 3, batches.positions().size());
    EXPECT_EQ(6, batches.batches()[1].count);
}

TEST(DrawBatches, an_empty_mesh_has_no_batches_and_no_coordinates_to_leave) {
    PolyMesh mesh;
    DrawBatches batches;
    EXPECT_TRUE(batches.follow(mesh));
    EXPECT_TRUE(batches.batches().empty());
    float st[2];
    EXPECT_FALSE(batches.lastTexCoord(st));
}

}  // namespace
