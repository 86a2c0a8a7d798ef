// The cube plug-in as the program loads it: its mesh, index lines, and the quarter of a texture each face shows.
#include "tests/SameBytes.h"
#include "tests/plugins/PluginTestSupport.h"

using namespace plugintest;

namespace {

class Boxlet : public PluginModelTest {
protected:
    void SetUp() override {
        PluginModelTest::SetUp();
        writeFile("tiles.bmp", makeBmp(8, 8, 40));
        writeFile("tiles2.bmp", makeBmp(8, 8, 210));
        ASSERT_TRUE(box = create("Boxlet", "box"));
    }

    std::unique_ptr<PaintableModel> box;
};

TEST_F(Boxlet, first_draw_builds_the_cube_prints_its_indices_once_and_gives_each_face_a_quarter) {
    // The textures were read with the model: the draw needs the files no more.
    std::filesystem::remove("tiles.bmp");
    std::filesystem::remove("tiles2.bmp");
    GLuint taken[3];  // names another model took first
    glGenTextures(3, taken);
    const std::string lines = draw(box.get());
    EXPECT_EQ((Counts{8, 12, 6, 8}), meshCounts(box.get()));
    // Skins 1 and 2 all the same.
    EXPECT_EQ(
        "vectors: <0,1,2,3,4,5,6,7>\ntriangles: <0,1,2,3,4,5,6,7,8,9,10,11>\nnormals: <0,1,2,3,4,5>\n"
        "textures: <1,2>\ntexCoords: <0,1,2,3,4,5,6,7>\n",
        lines);
    EXPECT_EQ(box->textureOfSkin(1), box->getTriangle(0)->getTexture());
    EXPECT_EQ(box->textureOfSkin(2), box->getTriangle(2)->getTexture());
    EXPECT_EQ("", draw(box.get()));
    // Per face: plane (axis, side), grey (tiles.bmp 40, tiles2.bmp 210), lowest s and t; a corner of triangle 1, its st
    const float faces[6][8] = {{1, -1, 40, 0, 0, 1, 0.5f, 0.5f}, {1, 1, 210, 0, 0.5f, 0, 0, 1},
                               {2, -1, 40, 0, 0.5f, 2, 0.5f, 1}, {0, -1, 40, 0.5f, 0, 0, 1, 0},
                               {2, 1, 210, 0, 0, 1, 0, 0.5f},    {0, 1, 210, 0.5f, 0, 1, 1, 0.5f}};
    for (unsigned int t = 0; t < 12; ++t) {
        const float* face = faces[t / 2];
        const int axis = static_cast<int>(face[0]);
        EXPECT_TRUE(sameBytes(Bytes(8 * 8 * 3, face[2]), texturePixels(box->getTriangle(t)->getTexture())))
            << "triangle " << t;
        float turned[3];  // by its corners' order: outward, as culling and lighting take it
        box->getTriangle(t)->getFaceNormal(turned);
        EXPECT_GT(turned[axis] * face[1], 0) << "triangle " << t;
        for (unsigned int c = 0; c < 3; ++c) {
            SCOPED_TRACE("triangle " + std::to_string(t) + " corner " + std::to_string(c));
            float p[3], st[2], n[3];
            box->getTriangle(t)->getVertexLocation(c, p);
            box->getTriangle(t)->getVertexTexCoords(c, st);
            box->getTriangle(t)->getVertexNormal(c, n);
            n[axis] -= face[1];  // the outward normal, and nothing else
            EXPECT_TRUE(p[axis] == face[1] && n[0] == 0 && n[1] == 0 && n[2] == 0);
            EXPECT_TRUE((st[0] == face[3] || st[0] == face[3] + 0.5f) && (st[1] == face[4] || st[1] == face[4] + 0.5f));
            EXPECT_TRUE(t % 2 || c != face[5] || (st[0] == face[6] && st[1] == face[7]));
        }
    }
}

}  // namespace
