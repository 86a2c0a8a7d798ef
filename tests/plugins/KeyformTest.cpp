// The MD2 model plug-in, loaded as the program loads it and drawn in a real
// GL context: the mesh it builds from a file's first frame, the skins it
// shows, and how it treats files it cannot use.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <list>
#include <memory>
#include <string>

#include "paint/PaintableModel.h"
#include "tests/paint/PaintTestSupport.h"
#include "tests/plugins/PluginTestSupport.h"

using namespace plugintest;

namespace {

class Keyform : public PluginModelTest {
protected:
    void SetUp() override
    {
        PluginModelTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        factory = load("Keyform");
        ASSERT_NE(nullptr, factory);
        modelDir = dir.path("thing");
        mkdir(modelDir.c_str(), 0755);
    }

    void writeModel(const std::vector<uint8_t>& bytes)
    {
        painttest::writeFile(modelDir + "/tris.md2", bytes);
    }

    // A solid grey BMP of 8 x 8 pixels.
    void writeSkin(const std::string& path, int grey)
    {
        painttest::BmpSpec spec;
        spec.width = spec.height = 8;
        spec.fill = grey;
        painttest::writeFile(path, painttest::makeBmp(spec));
    }

    // The model keeps the name's pointer, so the name lives as long as the test.
    std::unique_ptr<PaintableModel> create(const std::string& name)
    {
        names.push_back(name);
        return std::unique_ptr<PaintableModel>(dynamic_cast<PaintableModel*>(factory(names.back().c_str())));
    }

    // Draws once, returning what went to standard output and standard error.
    void drawCapturing(PaintableModel* model, std::string* out, std::string* err)
    {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        model->draw();
        std::fflush(stdout);
        std::fflush(stderr);
        *err = testing::internal::GetCapturedStderr();
        *out = testing::internal::GetCapturedStdout();
    }

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
    std::string modelDir;
    std::list<std::string> names;
};

TEST_F(Keyform, builds_the_mesh_from_the_first_frame)
{
    const Md2Spec spec = sampleSpec();
    writeModel(md2Bytes(spec));
    auto model = create(modelDir);
    ASSERT_TRUE(model);
    EXPECT_EQ(162u, normalCount(model.get()));
    EXPECT_EQ(0u, vertexCount(model.get()));

    std::string out, err;
    drawCapturing(model.get(), &out, &err);
    ASSERT_EQ(5u, vertexCount(model.get()));
    EXPECT_EQ(162u, normalCount(model.get()));
    ASSERT_EQ(4u, texCoordCount(model.get()));
    ASSERT_EQ(3u, triangleCount(model.get()));

    const Md2Frame& frame = spec.frames[0];
    for (unsigned int i = 0; i < 5; ++i) {
        float loc[3];
        model->getVertex(i)->getLocation(loc);
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(frame.vertices[i][k] * frame.scale[k] + frame.translate[k], loc[k]) << i << "," << k;
    }
    // t is counted from the skin's top row, the texture's from its bottom row.
    const float st[4][2] = {{0.0f, 1.0f}, {1.0f, 0.0f}, {0.5f, 0.5f}, {0.25f, 0.75f}};
    for (unsigned int i = 0; i < 4; ++i) {
        float c[2];
        model->getTexCoord(i)->getCoords(c);
        EXPECT_EQ(st[i][0], c[0]) << i;
        EXPECT_EQ(st[i][1], c[1]) << i;
    }
    for (unsigned int t = 0; t < 3; ++t) {
        PolyMesh::Triangle* tri = model->getTriangle(t);
        for (unsigned int j = 0; j < 3; ++j) {
            const int v = spec.triangles[t][j];
            EXPECT_EQ(model->getVertex(v), tri->getVertex(j));
            EXPECT_EQ(model->getTexCoord(spec.triangles[t][3 + j]), tri->tcs[j]);
            // The corner's normal is the table entry its vertex names.
            EXPECT_EQ(model->getNormal(frame.vertices[v][3]), tri->getNormal(j)) << t << "," << j;
        }
    }
}

TEST_F(Keyform, triangles_show_this_models_own_first_skin)
{
    writeModel(md2Bytes(sampleSpec()));
    writeSkin(modelDir + "/skin.bmp", 70);  // "players/thing/skin.pcx" is read as the BMP beside it
    writeSkin(modelDir + "/second.bmp", 150);
    // Texture names handed out before the model's own skins exist.
    GLuint taken[3];
    glGenTextures(3, taken);

    auto model = create(modelDir);
    std::string out, err;
    drawCapturing(model.get(), &out, &err);
    EXPECT_EQ(2, model->numTextures());
    const GLuint shown = model->getTriangle(0)->getTexture();
    ASSERT_NE(0u, shown);
    for (GLuint name : taken)
        EXPECT_NE(name, shown);
    for (unsigned int t = 0; t < 3; ++t)
        EXPECT_EQ(shown, model->getTriangle(t)->getTexture());
    EXPECT_EQ(70, textureGrey(shown));

    // A second model of the same file shows its own copy, not the first one's.
    auto again = create(modelDir);
    drawCapturing(again.get(), &out, &err);
    const GLuint shownAgain = again->getTriangle(0)->getTexture();
    EXPECT_NE(shown, shownAgain);
    EXPECT_EQ(70, textureGrey(shownAgain));
}

TEST_F(Keyform, model_without_skins_shows_the_first_skin_loaded_later)
{
    Md2Spec spec = sampleSpec();
    spec.skins.clear();
    writeModel(md2Bytes(spec));
    writeSkin(dir.path("late.bmp"), 90);

    auto model = create(modelDir);
    std::string out, err;
    drawCapturing(model.get(), &out, &err);
    EXPECT_EQ(0, model->numTextures());
    EXPECT_EQ(0u, model->getTriangle(0)->getTexture());

    testing::internal::CaptureStdout();
    EXPECT_EQ(0, model->loadTexture(1, dir.path("absent.bmp").c_str()));
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(0u, model->getTriangle(0)->getTexture());

    EXPECT_EQ(1, model->loadTexture(1, dir.path("late.bmp").c_str()));
    drawCapturing(model.get(), &out, &err);
    EXPECT_EQ(1, model->numTextures());
    const GLuint shown = model->getTriangle(0)->getTexture();
    ASSERT_NE(0u, shown);
    EXPECT_EQ(shown, model->getTriangle(2)->getTexture());
    EXPECT_EQ(90, textureGrey(shown));
}

TEST_F(Keyform, skin_loaded_before_the_first_draw_is_shown)
{
    Md2Spec spec = sampleSpec();
    spec.skins.clear();
    writeModel(md2Bytes(spec));
    writeSkin(dir.path("early.bmp"), 120);

    auto model = create(modelDir);
    EXPECT_EQ(1, model->loadTexture(1, dir.path("early.bmp").c_str()));
    std::string out, err;
    drawCapturing(model.get(), &out, &err);
    EXPECT_EQ(1, model->numTextures());
    const GLuint shown = model->getTriangle(0)->getTexture();
    ASSERT_NE(0u, shown);
    EXPECT_EQ(120, textureGrey(shown));
}

TEST_F(Keyform, indices_out_of_range_leave_triangles_and_corners_out)
{
    Md2Spec spec = sampleSpec();
    spec.frames[0].vertices[4][3] = 200;  // no such table entry
    spec.triangles = {{0, 1, 99, 0, 1, 2}, {-1, 1, 2, 0, 1, 2}, {1, 3, 4, 3, 50, -1}};
    writeModel(md2Bytes(spec));
    auto model = create(modelDir);
    std::string out, err;
    drawCapturing(model.get(), &out, &err);
    ASSERT_EQ(1u, triangleCount(model.get()));
    PolyMesh::Triangle* tri = model->getTriangle(0);
    EXPECT_EQ(model->getVertex(1), tri->getVertex(0));
    EXPECT_EQ(model->getTexCoord(3), tri->tcs[0]);
    EXPECT_EQ(nullptr, tri->tcs[1]);
    EXPECT_EQ(nullptr, tri->tcs[2]);
    EXPECT_NE(nullptr, tri->getNormal(0));
    EXPECT_EQ(nullptr, tri->getNormal(2));
}

TEST_F(Keyform, damaged_file_is_reported_and_builds_nothing)
{
    std::vector<uint8_t> bytes = md2Bytes(sampleSpec());
    poke32(bytes, F_OFS_TRIS, static_cast<int32_t>(bytes.size()));
    writeModel(bytes);
    writeSkin(modelDir + "/skin.bmp", 70);
    auto model = create(modelDir);
    std::string out, err;
    drawCapturing(model.get(), &out, &err);
    EXPECT_EQ("error reading MD2 file " + modelDir + "/tris.md2\n", err);
    EXPECT_EQ(0u, vertexCount(model.get()));
    EXPECT_EQ(0u, triangleCount(model.get()));
    EXPECT_EQ(0, model->numTextures());
}

TEST_F(Keyform, missing_or_foreign_files_are_silent)
{
    auto missing = create(dir.path("no-such-dir"));
    std::string out, err;
    drawCapturing(missing.get(), &out, &err);
    EXPECT_EQ("", out);
    EXPECT_EQ("", err);
    EXPECT_EQ(0u, vertexCount(missing.get()));

    Md2Spec foreign = sampleSpec();
    foreign.ident = 0x4d504553;
    foreign.version = 3;
    writeModel(md2Bytes(foreign));
    auto model = create(modelDir);
    drawCapturing(model.get(), &out, &err);
    EXPECT_EQ("", out);
    EXPECT_EQ("", err);
    EXPECT_EQ(0u, vertexCount(model.get()));
    EXPECT_EQ(162u, normalCount(model.get()));
}

TEST_F(Keyform, normals_are_the_formats_unit_table_in_order)
{
    auto model = create(modelDir);
    for (unsigned int k = 0; k < 162; ++k) {
        float n[3];
        model->getNormal(k)->getVector(n);
        EXPECT_NEAR(1.0, std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]), 1e-5) << k;
    }
    // Rows as the format's documents publish them.
    const float rows[][4] = {{0, -0.525731f, 0.000000f, 0.850651f}, {1, -0.442863f, 0.238856f, 0.864188f},
                             {2, -0.295242f, 0.000000f, 0.955423f}, {3, -0.309017f, 0.500000f, 0.809017f},
                             {4, -0.162460f, 0.262866f, 0.951056f}, {5, 0.000000f, 0.000000f, 1.000000f},
                             {161, -0.688191f, -0.587785f, -0.425325f}};
    for (const auto& row : rows) {
        float n[3];
        model->getNormal(static_cast<unsigned int>(row[0]))->getVector(n);
        EXPECT_EQ(row[1], n[0]) << row[0];
        EXPECT_EQ(row[2], n[1]) << row[0];
        EXPECT_EQ(row[3], n[2]) << row[0];
    }
}

}  // namespace
