// Shared pieces of the plug-in tests: an emptied class registry in a private
// working directory, and models made by the built plug-ins in a GL context.
#ifndef VELMORA_TESTS_PLUGINS_PLUGINTESTSUPPORT_H
#define VELMORA_TESTS_PLUGINS_PLUGINTESTSUPPORT_H

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "paint/PaintableModel.h"
#include "plugins/ClassRegistry.h"
#include "tests/paint/PaintTestSupport.h"

namespace plugintest {

// Base of the plug-in tests: model_classes emptied and a scratch directory as
// the working directory; both are put back after the test.
class PluginTest : public testing::Test {
protected:
    PluginTest() : saved(model_classes), previous(std::filesystem::current_path(error))
    {
        model_classes.clear();
        std::filesystem::current_path(dir.root(), error);
        EXPECT_FALSE(error) << error.message();
    }
    ~PluginTest() override
    {
        std::filesystem::current_path(previous, error);
        model_classes = saved;
    }

    painttest::ScratchDir dir;
    std::error_code error;
    std::map<char*, model_factory, cmp_str> saved;
    std::filesystem::path previous;
};

inline void writeGreyBmp(const std::string& path, int grey)  // 8 x 8
{
    painttest::BmpSpec spec;
    spec.width = spec.height = 8;
    spec.fill = grey;
    painttest::writeFile(path, painttest::makeBmp(spec));
}

typedef std::array<size_t, 4> Counts;  // vertices, triangles, normals, texture coordinates
inline Counts meshCounts(PolyMesh* mesh)
{
    Counts n = {0, 0, 0, 0};
    for (; mesh->getVertex(n[0]); ++n[0]) {}
    for (; mesh->getTriangle(n[1]); ++n[1]) {}
    for (; mesh->getNormal(n[2]); ++n[2]) {}
    for (; mesh->getTexCoord(n[3]); ++n[3]) {}
    return n;
}

// Base of the tests that draw plug-in models in a GL context.
class PluginModelTest : public PluginTest {
protected:
    void SetUp() override
    {
        if (!std::getenv("DISPLAY")) {
            GTEST_SKIP() << "no X display";
        }
        ASSERT_TRUE(painttest::ensureGlContext());
    }

    // A model made by the built plug-in className, loaded from a copy of this
    // test's own so that its registration runs even if an earlier test of the
    // process loaded the library. name must outlive the model.
    std::unique_ptr<PaintableModel> create(const char* className, const char* name)
    {
        const std::string copy = dir.path(className) + ".so";
        if (!model_classes.count(const_cast<char*>(className)) &&
            (!std::filesystem::copy_file(VELMORA_BUILD_DIR "/models" + copy.substr(copy.rfind('/')), copy, error) ||
             loadClassLibrary(copy.c_str())))
            return nullptr;
        model_factory factory = findModelClass(className);
        return std::unique_ptr<PaintableModel>(factory ? dynamic_cast<PaintableModel*>(factory(name)) : nullptr);
    }

    // Draws once; returns what went to standard output, then to standard error.
    std::string draw(PaintableModel* model)
    {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        model->draw();
        std::fflush(nullptr);
        const std::string errors = testing::internal::GetCapturedStderr();
        return testing::internal::GetCapturedStdout() + errors;
    }

    int textureGrey(GLuint name)  // of the texture's first texel
    {
        unsigned char texels[8 * 8 * 3] = {};
        glBindTexture(GL_TEXTURE_2D, name);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels);
        return texels[0];
    }
};

}  // namespace plugintest

#endif
