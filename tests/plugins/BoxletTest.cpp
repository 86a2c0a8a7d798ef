// The cube plug-in, loaded as the program loads it and drawn in a real GL
// context: its mesh, the quarter of a texture that each face shows, the
// index lines of its first draw, and its textures from the working directory.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "paint/PaintableModel.h"
#include "tests/paint/PaintTestSupport.h"
#include "tests/plugins/PluginTestSupport.h"

using namespace plugintest;

namespace {

class Boxlet : public PluginModelTest {
protected:
    void SetUp() override
    {
        PluginModelTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        // Grey levels no other picture of these tests uses.
        painttest::BmpSpec first, second;
        first.width = second.width = 8;
        first.height = second.height = 8;
        first.fill = 40;
        second.fill = 210;
        painttest::writeFile(dir.path("tiles.bmp"), painttest::makeBmp(first));
        painttest::writeFile(dir.path("tiles2.bmp"), painttest::makeBmp(second));
        factory = load("Boxlet");
        ASSERT_NE(nullptr, factory);
    }

    std::unique_ptr<PaintableModel> create(const char* name)
    {
        return std::unique_ptr<PaintableModel>(dynamic_cast<PaintableModel*>(factory(name)));
    }

    // Draws once; the index lines of a first draw are not these tests' subject.
    void drawQuietly(PaintableModel* model)
    {
        testing::internal::CaptureStdout();
        model->draw();
        std::fflush(stdout);
        testing::internal::GetCapturedStdout();
    }

    // The grey level of the first texel GL holds for texture name.
    int textureGrey(GLuint name)
    {
        unsigned char texels[8 * 8 * 3] = {};
        glBindTexture(GL_TEXTURE_2D, name);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels);
        glBindTexture(GL_TEXTURE_2D, 0);
        return texels[0];
    }

    model_factory factory = nullptr;
};

// The face a triangle lies in: axis 0..2 and side -1 or +1.
struct Face {
    int axis;
    int side;
    bool operator<(const Face& o) const { return axis != o.axis ? axis < o.axis : side < o.side; }
};

Face faceOf(PolyMesh::Triangle* tri)
{
    float p[3][3];
    for (unsigned int i = 0; i < 3; ++i)
        tri->getVertexLocation(i, p[i]);
    for (int axis = 0; axis < 3; ++axis)
        if (p[0][axis] == p[1][axis] && p[1][axis] == p[2][axis])
            return {axis, p[0][axis] > 0 ? 1 : -1};
    return {-1, 0};
}

TEST_F(Boxlet, first_draw_builds_the_cube_and_prints_its_indices_once)
{
    auto box = create("box");
    ASSERT_TRUE(box);
    EXPECT_EQ(0u, vertexCount(box.get()));
    EXPECT_EQ(0u, triangleCount(box.get()));

    testing::internal::CaptureStdout();
    box->draw();
    std::fflush(stdout);
    const std::string lines = testing::internal::GetCapturedStdout();

    EXPECT_EQ(8u, vertexCount(box.get()));
    EXPECT_EQ(12u, triangleCount(box.get()));
    EXPECT_EQ(6u, normalCount(box.get()));
    EXPECT_EQ(8u, texCoordCount(box.get()));
    const unsigned first = box->getTriangle(0)->getTexture();
    const unsigned second = box->getTriangle(2)->getTexture();
    char textures[64];
    std::snprintf(textures, sizeof textures, "textures: <%u,%u>\n", first, second);
    EXPECT_EQ(std::string("vectors: <0,1,2,3,4,5,6,7>\n"
                          "triangles: <0,1,2,3,4,5,6,7,8,9,10,11>\n"
                          "normals: <0,1,2,3,4,5>\n") +
                  textures + "texCoords: <0,1,2,3,4,5,6,7>\n",
              lines);

    testing::internal::CaptureStdout();
    box->draw();
    std::fflush(stdout);
    EXPECT_EQ("", testing::internal::GetCapturedStdout());
    EXPECT_EQ(12u, triangleCount(box.get()));
}

TEST_F(Boxlet, every_face_shows_its_own_quarter_of_its_texture)
{
    auto box = create("box");
    drawQuietly(box.get());
    const GLuint first = box->getTriangle(0)->getTexture();
    ASSERT_NE(0u, first);

    // Texture (0 first, 1 second) and the quarter's lower s and t per face.
    struct Quarter {
        int texture;
        float s0, t0;
    };
    const std::map<Face, Quarter> expected = {
        {{1, -1}, {0, 0.0f, 0.0f}}, {{2, -1}, {0, 0.0f, 0.5f}}, {{0, -1}, {0, 0.5f, 0.0f}},
        {{1, 1}, {1, 0.0f, 0.5f}},  {{2, 1}, {1, 0.0f, 0.0f}},  {{0, 1}, {1, 0.5f, 0.0f}},
    };
    std::map<Face, std::map<PolyMesh::Vertex*, std::pair<float, float>>> coordsOnFace;
    std::map<Face, int> trianglesOnFace;
    std::set<GLuint> names;
    for (unsigned int t = 0; t < 12; ++t) {
        PolyMesh::Triangle* tri = box->getTriangle(t);
        Face face = faceOf(tri);
        ASSERT_EQ(1u, expected.count(face)) << "triangle " << t;
        ++trianglesOnFace[face];
        const Quarter& q = expected.at(face);
        names.insert(tri->getTexture());
        EXPECT_EQ(q.texture == 0, tri->getTexture() == first) << "triangle " << t;

        // All three corner normals point straight out of the face, and so
        // does the normal of the corners' winding.
        float outward[3] = {0, 0, 0};
        outward[face.axis] = static_cast<float>(face.side);
        float wound[3];
        tri->getFaceNormal(wound);
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(outward[k], wound[k], 1e-6) << "triangle " << t;
        for (unsigned int c = 0; c < 3; ++c) {
            float n[3] = {9, 9, 9};
            tri->getVertexNormal(c, n);
            for (int k = 0; k < 3; ++k)
                EXPECT_EQ(outward[k], n[k]) << "triangle " << t << " corner " << c;

            float st[2] = {-1, -1};
            tri->getVertexTexCoords(c, st);
            EXPECT_TRUE(st[0] == q.s0 || st[0] == q.s0 + 0.5f) << "triangle " << t << " s " << st[0];
            EXPECT_TRUE(st[1] == q.t0 || st[1] == q.t0 + 0.5f) << "triangle " << t << " t " << st[1];
            // A corner shared by a face's two triangles has one coordinate.
            auto inserted = coordsOnFace[face].insert({tri->getVertex(c), {st[0], st[1]}});
            EXPECT_EQ(inserted.first->second, std::make_pair(st[0], st[1])) << "triangle " << t;
        }
    }
    EXPECT_EQ(2u, names.size());
    for (const auto& entry : expected) {
        EXPECT_EQ(2, trianglesOnFace[entry.first]);
        // The face's four corners take the quarter's four corners.
        std::set<std::pair<float, float>> corners;
        for (const auto& vc : coordsOnFace[entry.first])
            corners.insert(vc.second);
        EXPECT_EQ(4u, corners.size()) << "face axis " << entry.first.axis << " side " << entry.first.side;
    }
}

TEST_F(Boxlet, textures_come_from_the_working_directory_in_order)
{
    auto box = create("box");
    drawQuietly(box.get());
    EXPECT_EQ(2, box->numTextures());
    EXPECT_EQ(40, textureGrey(box->getTriangle(0)->getTexture()));   // y = -1: first texture
    EXPECT_EQ(210, textureGrey(box->getTriangle(2)->getTexture()));  // y = +1: second texture
}

TEST_F(Boxlet, missing_textures_leave_the_mesh_whole)
{
    std::remove("tiles.bmp");
    std::remove("tiles2.bmp");
    auto box = create("box");
    drawQuietly(box.get());
    EXPECT_EQ(0, box->numTextures());
    EXPECT_EQ(12u, triangleCount(box.get()));
    // The names handed out stay on the triangles.
    EXPECT_NE(0u, box->getTriangle(0)->getTexture());
    EXPECT_NE(box->getTriangle(0)->getTexture(), box->getTriangle(2)->getTexture());
}

TEST_F(Boxlet, two_cubes_each_load_their_own_textures)
{
    auto one = create("one");
    auto two = create("two");
    drawQuietly(one.get());
    drawQuietly(two.get());
    const std::set<GLuint> names = {one->getTriangle(0)->getTexture(), one->getTriangle(2)->getTexture(),
                                    two->getTriangle(0)->getTexture(), two->getTriangle(2)->getTexture()};
    EXPECT_EQ(4u, names.size());
    EXPECT_EQ(2, two->numTextures());
    EXPECT_EQ(40, textureGrey(two->getTriangle(0)->getTexture()));
}

}  // namespace
