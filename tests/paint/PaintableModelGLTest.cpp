// Drawing and texture upload with a real OpenGL context (run under Xvfb);
// skipped only when there is no display at all.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "paint/BrushModel.h"
#include "tests/paint/TestPaintable.h"

namespace {

class PaintableModelGL : public testing::Test {
protected:
    void SetUp() override
    {
        if (!std::getenv("DISPLAY")) {
            GTEST_SKIP() << "no X display";
        }
        ASSERT_TRUE(painttest::ensureGlContext());
        // Window coordinates equal object x and y.
        glViewport(0, 0, 64, 64);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, 64, 0, 64, -100, 100);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        while (glGetError() != GL_NO_ERROR) {
        }
    }

    void TearDown() override
    {
        if (std::getenv("DISPLAY")) {
            EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
        }
    }

    // What GL holds for texture name, as tightly packed RGB rows.
    std::vector<unsigned char> textureBytes(GLuint name, int width, int height)
    {
        std::vector<unsigned char> bytes(3 * width * height);
        glBindTexture(GL_TEXTURE_2D, name);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, bytes.data());
        glBindTexture(GL_TEXTURE_2D, 0);
        return bytes;
    }

    std::vector<unsigned char> imageBytes(Image* image)
    {
        return std::vector<unsigned char>(image->pixels(), image->pixels() + image->pixelBytes());
    }

    // Runs draw in feedback mode; returns the values GL reported.
    template <typename Draw>
    std::vector<GLfloat> feedback(GLenum type, Draw draw)
    {
        std::vector<GLfloat> buffer(20000);
        glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), type, buffer.data());
        glRenderMode(GL_FEEDBACK);
        draw();
        GLint used = glRenderMode(GL_RENDER);
        buffer.resize(used > 0 ? used : 0);
        return buffer;
    }

    painttest::ScratchDir dir;
};

TEST_F(PaintableModelGL, first_draw_builds_the_model_once)
{
    TestPaintable model;
    GLuint ids[2] = {0, 0};
    GLuint failures = 99;
    painttest::BmpSpec spec;
    spec.width = 5;  // rows of 15 bytes
    spec.height = 3;
    painttest::writeFile(dir.path("skin.bmp"), painttest::makeBmp(spec));
    model.on_init = [&](TestPaintable& m) {
        const char* names[2] = {"players/m/skin.pcx", "players/m/none.bmp"};
        testing::internal::CaptureStdout();
        failures = m.loadTextures(2, names, ids, dir.root().c_str());
        testing::internal::GetCapturedStdout();
        m.addTexturedTriangle({0, 0, 0, 0, 0}, {4, 0, 0, 1, 0}, {0, 4, 0, 0, 1}, ids[0]);
    };
    model.draw();
    model.draw();
    EXPECT_EQ(1, model.model_inits);
    EXPECT_EQ(1u, failures);
    ASSERT_EQ(1, model.numTextures());
    Image* image = model.textures[ids[0]];
    ASSERT_NE(nullptr, image);
    EXPECT_EQ(ids[0], image->getTexture());
    EXPECT_EQ(dir.root() + "//skin.pcx", image->getFilename());
    EXPECT_NE(0u, ids[1]);
    EXPECT_TRUE(glIsTexture(ids[0]));
    EXPECT_EQ(imageBytes(image), textureBytes(ids[0], 5, 3));
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(4, alignment);  // left as it was
}

TEST_F(PaintableModelGL, queued_skins_are_created_and_painted_ones_uploaded)
{
    TestPaintable model;
    painttest::BmpSpec spec;
    spec.width = 7;
    spec.height = 6;
    spec.fill = 0;
    painttest::writeFile(dir.path("first.bmp"), painttest::makeBmp(spec));
    ASSERT_EQ(1, model.loadTexture(1, dir.path("first.bmp").c_str()));
    EXPECT_EQ(0, model.numTextures());
    model.draw();
    ASSERT_EQ(1, model.numTextures());
    EXPECT_TRUE(model.texturesToCreate.empty());
    GLuint name = model.textures.begin()->first;
    Image* image = model.textures.begin()->second;
    EXPECT_EQ(imageBytes(image), textureBytes(name, 7, 6));

    model.addTexturedTriangle({0, 0, 0, 0, 0}, {4, 0, 0, 1, 0}, {0, 4, 0, 0, 1}, name);
    model.addTexturedTriangle({0, 0, 0, 0, 0}, {4, 0, 0, 1, 0}, {0, 4, 0, 0, 1}, name);
    BrushModel brush("brush");
    brush.setAttribute("x", 1);
    brush.setAttribute("y", 1);
    model.paintModel(&brush);
    EXPECT_EQ(2u, model.texturesToReload.size());
    EXPECT_NE(imageBytes(image), textureBytes(name, 7, 6));
    model.draw();
    EXPECT_TRUE(model.texturesToReload.empty());
    EXPECT_EQ(imageBytes(image), textureBytes(name, 7, 6));

    TestPaintable broken;
    broken.loadTexture(1, dir.path("gone.bmp").c_str());
    testing::internal::CaptureStdout();
    broken.draw();
    EXPECT_EQ("File not found : " + dir.path("gone.bmp") + "\n", testing::internal::GetCapturedStdout());
    EXPECT_EQ(0, broken.numTextures());
}

TEST_F(PaintableModelGL, draw_translates_and_textures_each_triangle)
{
    TestPaintable model;
    painttest::writeFile(dir.path("t.bmp"), painttest::makeBmp(painttest::BmpSpec()));
    model.on_init = [&](TestPaintable& m) {
        std::string file = dir.path("t.bmp");
        const char* names[1] = {file.c_str()};
        GLuint id = 0;
        m.loadTextures(1, names, &id, nullptr);
        m.addTexturedTriangle({0, 0, 0, 0.25f, 0.5f}, {4, 0, 0, 1, 0}, {0, 4, 0, 0, 1}, id);
        m.addTexturedTriangle({1, 1, 0, 0.5f, 0.5f}, {2, 1, 0, 1, 0}, {1, 2, 0, 0, 1}, 0);
    };
    model.setAttribute("x", 10);
    model.setAttribute("y", 20);
    std::vector<GLfloat> fb = feedback(GL_3D_COLOR_TEXTURE, [&] { model.draw(); });

    // Polygon token, corner count, then x y z, r g b a, s t r q per corner.
    const size_t kVertex = 11;
    ASSERT_EQ(2 * (2 + 3 * kVertex), fb.size());
    EXPECT_EQ(GL_POLYGON_TOKEN, static_cast<GLenum>(fb[0]));
    EXPECT_EQ(3.0f, fb[1]);
    const float want[2][3][4] = {{{10, 20, 0.25f, 0.5f}, {14, 20, 1, 0}, {10, 24, 0, 1}},
                                 {{11, 21, 0, 0}, {12, 21, 0, 0}, {11, 22, 0, 0}}};
    for (int t = 0; t < 2; ++t)
        for (int v = 0; v < 3; ++v) {
            const GLfloat* vert = &fb[t * (2 + 3 * kVertex) + 2 + v * kVertex];
            EXPECT_NEAR(want[t][v][0], vert[0], 1e-3);
            EXPECT_NEAR(want[t][v][1], vert[1], 1e-3);
            if (t == 0) {  // the untextured triangle sends no coordinates
                EXPECT_NEAR(want[t][v][2], vert[7], 1e-6);
                EXPECT_NEAR(want[t][v][3], vert[8], 1e-6);
            }
        }
    GLint bound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(0, bound);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    glDisable(GL_TEXTURE_2D);
}

TEST_F(PaintableModelGL, brush_draws_a_wire_sphere_of_its_outer_radius)
{
    BrushModel brush("brush");
    brush.setAttribute("x", 30);
    brush.setAttribute("y", 25);
    brush.setAttribute("z", 10);
    brush.setAttribute("dim1", 5);
    GLfloat before[16], after[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, before);
    std::vector<GLfloat> fb = feedback(GL_3D, [&] { brush.draw(); });
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    EXPECT_TRUE(std::equal(before, before + 16, after));
    EXPECT_FALSE(glIsEnabled(GL_NORMALIZE));

    int lines = 0;
    for (size_t i = 0; i < fb.size();) {
        GLenum token = static_cast<GLenum>(fb[i]);
        ASSERT_TRUE(token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) << token;
        for (int v = 0; v < 2; ++v) {
            const GLfloat* p = &fb[i + 1 + 3 * v];
            double z = 100.0 * (1.0 - 2.0 * p[2]);  // window depth back to object z
            EXPECT_NEAR(5.0, std::sqrt((p[0] - 30) * (p[0] - 30) + (p[1] - 25) * (p[1] - 25) + (z - 10) * (z - 10)),
                        1e-2);
        }
        ++lines;
        i += 7;
    }
    EXPECT_GT(lines, 7 * 7);
}

}  // namespace
