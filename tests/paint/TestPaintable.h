// A paintable model for the tests: triangles are added corner by corner with
// their texture coordinates, textures can be handed in without OpenGL, and
// the queues are open for inspection.
#ifndef VELMORA_TESTS_PAINT_TESTPAINTABLE_H
#define VELMORA_TESTS_PAINT_TESTPAINTABLE_H

#include <functional>
#include <string>

#include "paint/Image.h"
#include "paint/PaintableModel.h"
#include "tests/paint/PaintTestSupport.h"

class TestPaintable : public PaintableModel {
public:
    // x, y, z, s, t of one corner.
    struct Corner {
        float x, y, z, s, t;
    };

    explicit TestPaintable(const char* name = "canvas") : PaintableModel(name) { class_name = "TestPaintable"; }

    int addTexturedTriangle(Corner a, Corner b, Corner c, GLuint texture)
    {
        int v[3], tc[3];
        const Corner* corners[3] = {&a, &b, &c};
        for (int i = 0; i < 3; ++i) {
            v[i] = addVertex(corners[i]->x, corners[i]->y, corners[i]->z);
            tc[i] = addTexCoord(corners[i]->s, corners[i]->t);
        }
        int n = addNormal(0, 0, 1);
        int tri = addTriangle(v[0], v[1], v[2]);
        for (int i = 0; i < 3; ++i) {
            setTexCoord(tri, i, tc[i]);
            setNormal(tri, i, n);
        }
        setTexture(tri, texture);
        return tri;
    }

    // A width x height picture of one grey level, loaded from a file written
    // into dir and stored under texture name.
    Image* giveTexture(GLuint name, int width, int height, int grey, const painttest::ScratchDir& dir)
    {
        painttest::BmpSpec spec;
        spec.width = width;
        spec.height = height;
        spec.fill = grey;
        std::string file = dir.path("tex" + std::to_string(name) + ".bmp");
        painttest::writeFile(file, painttest::makeBmp(spec));
        Image* image = Image::load(&file);
        if (image) {
            image->setTexture(name);
            textures[name] = image;
        }
        return image;
    }

    void modelInit() override
    {
        ++model_inits;
        if (on_init)
            on_init(*this);
    }

    int model_inits = 0;
    std::function<void(TestPaintable&)> on_init;

    using PaintableModel::firstDraw;
    using PaintableModel::textures;
    using PaintableModel::texturesToCreate;
    using PaintableModel::texturesToReload;
};

#endif
