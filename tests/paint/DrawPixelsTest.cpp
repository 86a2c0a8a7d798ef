// Drawing by texture batches must give the pixels of the one-triangle-at-a-time drawing kept here as the reference.
#define GL_GLEXT_PROTOTYPES
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "tests/plugins/PluginTestSupport.h"
#include "viewer/Render.h"

using namespace plugintest;

namespace {

const int kSize = 128;  // the framebuffer's side in pixels

// The reference drawing: what PaintableModel::draw did one triangle at a time, from the mesh as it is.
void drawOneAtATime(PaintableModel& model) {
    glEnable(GL_TEXTURE_2D);
    glPushMatrix();
    const GLfloat white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    glMaterialfv(GL_FRONT, GL_DIFFUSE, white);
    glTranslatef(static_cast<GLfloat>(model.getAttribute("x")), static_cast<GLfloat>(model.getAttribute("y")),
                 static_cast<GLfloat>(model.getAttribute("z")));
    const char* rotations[3] = {"rotation_x", "rotation_y", "rotation_z"};
    for (int axis = 0; axis < 3; ++axis)
        if (model.getAttribute(rotations[axis]) != 0.0)
            glRotated(model.getAttribute(rotations[axis]), axis == 0, axis == 1, axis == 2);
    for (int axis = 0; model.uprightTurn() && axis < 3; ++axis)
        glRotated(model.uprightTurn()[axis], axis == 0, axis == 1, axis == 2);
    const double scale = model.getAttribute("scale");
    if (scale != 1.0) {
        glScaled(scale, scale, scale);
        glEnable(GL_NORMALIZE);
    }
    for (unsigned int id = 0; PolyMesh::Triangle* tri = model.getTriangle(id); ++id) {
        const GLuint texture = tri->getTexture();
        glBindTexture(GL_TEXTURE_2D, texture);
        glBegin(GL_TRIANGLES);
        for (unsigned int i = 0; i < 3; ++i) {
            float normal[3], st[2] = {0.0f, 0.0f}, location[3];
            tri->getFaceNormal(normal);
            tri->getVertexNormal(i, normal);
            tri->getVertexLocation(i, location);
            glNormal3fv(normal);
            if (texture != 0) {
                tri->getVertexTexCoords(i, st);
                glTexCoord2fv(st);
            }
            glVertex3fv(location);
        }
        glEnd();
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    glDisable(GL_NORMALIZE);
    glPopMatrix();
}

// A picture and the GL state a drawing leaves that later drawing depends on.
struct Rendered {
    Bytes pixels;
    std::array<float, 7> current;  // normal, texture coordinates
    std::array<GLint, 5> state;    // bound texture, vertex, normal and coordinate arrays on, normal rescaling on
    std::array<float, 16> view;    // the model-view matrix left behind
};

class DrawPixels : public PluginModelTest {
protected:
    void SetUp() override {
        PluginModelTest::SetUp();
        if (IsSkipped())
            return;
        glGenFramebuffers(1, &framebuffer);
        glGenRenderbuffers(2, renderbuffers);
        glBindRenderbuffer(GL_RENDERBUFFER, renderbuffers[0]);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, kSize, kSize);
        glBindRenderbuffer(GL_RENDERBUFFER, renderbuffers[1]);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, kSize, kSize);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, renderbuffers[0]);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, renderbuffers[1]);
        ASSERT_EQ(GLenum(GL_FRAMEBUFFER_COMPLETE), glCheckFramebufferStatus(GL_FRAMEBUFFER));
    }
    void TearDown() override {
        if (!framebuffer)
            return;
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &framebuffer);
        glDeleteRenderbuffers(2, renderbuffers);
        glDisable(GL_LIGHTING);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_TEXTURE_2D);
    }

    // The program's camera (60 degrees, from 5 along z), lights and depth test around draw.
    template <typename Draw>
    Rendered render(Draw draw) {
        glViewport(0, 0, kSize, kSize);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(60.0, 1.0, 1.0, 90.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        gluLookAt(0.0, 0.0, 5.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
        glEnable(GL_DEPTH_TEST);
        glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
        setUpLight();  // the program's own lights
        glClearColor(0.1f, 0.2f, 0.3f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glNormal3f(0.0f, 0.0f, 1.0f);  // both start from the same current values
        glTexCoord4f(0.5f, 0.5f, 0.0f, 1.0f);
        draw();
        Rendered out;
        out.pixels.resize(4 * kSize * kSize);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, out.pixels.data());
        glGetFloatv(GL_CURRENT_NORMAL, out.current.data());
        glGetFloatv(GL_CURRENT_TEXTURE_COORDS, out.current.data() + 3);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &out.state[0]);
        out.state[1] = glIsEnabled(GL_VERTEX_ARRAY);
        out.state[2] = glIsEnabled(GL_NORMAL_ARRAY);
        out.state[3] = glIsEnabled(GL_TEXTURE_COORD_ARRAY);
        out.state[4] = glIsEnabled(GL_NORMALIZE);
        glGetFloatv(GL_MODELVIEW_MATRIX, out.view.data());
        return out;
    }

    // Draws model itself (moving an animated mesh to its frame), then as the reference: same pixels and after-state.
    void expectSamePicture(PaintableModel& model, size_t minColours) {
        const Rendered batched = render([&] { model.draw(); });
        const Rendered reference = render([&] { drawOneAtATime(model); });
        std::set<uint32_t> colours;
        for (size_t i = 0; i < reference.pixels.size(); i += 4)
            colours.insert(reference.pixels[i] | reference.pixels[i + 1] << 8 | reference.pixels[i + 2] << 16);
        EXPECT_GE(colours.size(), minColours) << "the scene shows too little to compare";
        size_t differing = 0;
        for (size_t i = 0; i < reference.pixels.size(); ++i)
            differing += reference.pixels[i] != batched.pixels[i];
        EXPECT_EQ(0u, differing) << "bytes that differ from the one-at-a-time drawing";
        EXPECT_EQ(reference.current, batched.current);
        EXPECT_EQ(reference.state, batched.state);
        EXPECT_EQ(reference.view, batched.view);
    }

    GLuint framebuffer = 0, renderbuffers[2] = {0, 0};
};

void place(PaintableModel& model, double x, double turnX, double turnY, double scale) {
    for (auto [name, value] : {std::pair{"x", x}, {"rotation_x", turnX}, {"rotation_y", turnY}, {"scale", scale}})
        EXPECT_EQ(0, model.setAttribute(name, value)) << name;
}

TEST_F(DrawPixels, the_cube_with_its_two_textures_turned_and_scaled) {
    writeFile("tiles.bmp", makeBmp(16, 16));
    writeFile("tiles2.bmp", makeBmp(8, 8));
    std::unique_ptr<PaintableModel> box = create("Boxlet", "box");
    ASSERT_TRUE(box);
    draw(box.get());  // the first draw builds the cube and loads its textures
    // As made, moved only, then turned and scaled two ways.
    for (const auto& [x, turnX, turnY, scale] :
         {std::array<double, 4>{0, 0, 0, 1}, {0.4, 0, 0, 1}, {0.3, 35, -50, 1.4}, {-0.5, -120, 200, 0.6}}) {
        place(*box, x, turnX, turnY, scale);
        expectSamePicture(*box, 20);
    }
}

// A tilted fan of triangles with textures 1, 0, 2, 1, 0, 2, ..., every other one without normals or coordinates.
struct Fan : PaintableModel {
    explicit Fan(int count) : PaintableModel("fan") {
        addVertex(0, 0, 0.5f);
        addTexCoord(0.5f, 0.5f);
        for (int i = 0; i <= count; ++i) {
            const double a = 2.0 * M_PI * i / count;
            addVertex(static_cast<float>(2 * std::cos(a)), static_cast<float>(2 * std::sin(a)),
                      static_cast<float>(0.3 * std::sin(3 * a)));
            addNormal(static_cast<float>(0.5 * std::cos(a)), static_cast<float>(0.5 * std::sin(a)), 0.7f);
            addTexCoord(static_cast<float>(0.5 + 0.5 * std::cos(a)), static_cast<float>(0.5 + 0.5 * std::sin(a)));
        }
        for (int i = 0; i < count; ++i) {
            const int tri = addTriangle(0, i + 1, i + 2);
            setTexture(tri, (i % 3 == 1) ? 0 : 1 + i % 3 / 2);
            if (i % 2)
                continue;
            for (unsigned int c = 1; c < 3; ++c) {
                setNormal(tri, c, i + c - 1);
                setTexCoord(tri, c, i + c);
            }
            setTexCoord(tri, 0, 0);
        }
    }
    // Textures 1 and 2 from two different pictures (GL thread).
    void modelInit() override {
        for (GLuint name = 1; name <= 2; ++name) {
            std::string file = "fan" + std::to_string(name) + ".bmp";
            writeFile(file, makeBmp(8 * name, 8, name == 1 ? -1 : 90));
            Image* image = Image::load(&file);
            image->setTexture(name);
            image->updateTexture();
            textures[name] = image;
        }
    }
    using PaintableModel::textures;
};

TEST_F(DrawPixels, several_textures_and_untextured_triangles_and_a_mesh_that_moves_between_draws) {
    Fan fan(24);
    expectSamePicture(fan, 30);
    place(fan, 0.2, -40, 25, 0.8);
    expectSamePicture(fan, 30);
    // The next frame: vertices and normals move in place; the drawing must follow them.
    for (unsigned int v = 1; v <= 25; ++v) {
        float p[3];
        fan.getVertex(v)->getLocation(p);
        fan.moveVertex(v, p[0] * 0.7f, p[1] * 1.2f, p[2] - 0.4f);
        fan.setNormalVector(v - 1, 0.0f, 0.6f, 0.8f);
    }
    fan.updateTriangles();
    expectSamePicture(fan, 30);
    // A texture given through a triangle itself and a new picture, which the mesh does not count.
    writeFile("fan3.bmp", makeBmp(4, 4, 250));
    std::string file = "fan3.bmp";
    Image* image = Image::load(&file);
    image->setTexture(3);
    image->updateTexture();
    fan.textures[3] = image;
    for (unsigned int id = 0; id < 24; id += 4)
        fan.getTriangle(id)->setTexture(3);
    expectSamePicture(fan, 30);
}

TEST_F(DrawPixels, real_md2_models_at_a_frame_and_between_two_frames) {
    std::string cache;
    const std::vector<std::string> folders = cachedMd2Folders(&cache);
    if (folders.empty())
        GTEST_SKIP() << "no real MD2 models in " << cache << "; scripts/fetch-models.sh fetches them";
    for (const std::string& folder : folders) {
        SCOPED_TRACE(folder);
        std::unique_ptr<PaintableModel> model = create("Keyform", folder.c_str());
        ASSERT_TRUE(model);
        draw(model.get());
        // Scaled to fit the view: the frames are centred on the origin.
        float radius = 0.0f;
        for (unsigned int v = 0; PolyMesh::Vertex* vertex = model->getVertex(v); ++v)
            radius = std::max(radius, std::hypot(vertex->pos[0], vertex->pos[1], vertex->pos[2]));
        ASSERT_GT(radius, 0.0f);
        place(*model, 0, -90, 30, 2.5 / radius);
        expectSamePicture(*model, 50);
        ASSERT_EQ(0, model->setAttribute("frame", 1.5));
        expectSamePicture(*model, 50);
    }
}

}  // namespace
