// Shared by the plug-in tests: an emptied class registry in a scratch folder, and models of the built plug-ins.
#pragma once

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>

#include "paint/PaintableModel.h"
#include "plugins/ClassRegistry.h"
#include "tests/paint/PaintTestSupport.h"

namespace plugintest {

using namespace painttest;
typedef std::array<size_t, 4> Counts;  // vertices, triangles, normals, texture coordinates

// A folder of the model cache scripts/fetch-models.sh fills ("models" or "meshes"), or where variable points.
inline std::string cacheFolder(const char* variable, const char* folder) {
    const char *set = std::getenv(variable), *home = std::getenv("HOME");
    return set && *set ? set : std::string(home ? home : "") + "/.cache/velmora/" + folder;
}

// The folders of the MD2 model cache that hold a tris.md2, sorted; *cache says where it looked.
inline std::vector<std::string> cachedMd2Folders(std::string* cache) {
    *cache = cacheFolder("VELMORA_MODEL_CACHE", "models");
    std::vector<std::string> folders;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(*cache, ignored))
        if (std::filesystem::is_regular_file(entry.path() / "tris.md2", ignored))
            folders.push_back(entry.path().string());
    std::sort(folders.begin(), folders.end());
    return folders;
}

// The model's scripts as saved: name to the values its steps set. Every one must repeat.
inline std::map<std::string, std::vector<double>> scriptSteps(PaintableModel* model) {
    std::map<std::string, std::vector<double>> found;
    std::unique_ptr<TiXmlElement> xml(model->toXML());
    for (TiXmlElement* se = xml->FirstChildElement("script"); se; se = se->NextSiblingElement("script")) {
        std::vector<double>& steps = found[se->Attribute("name")];
        EXPECT_STREQ("1", se->Attribute("behavior")) << se->Attribute("name");
        for (TiXmlElement* pe = se->FirstChildElement("pose"); pe; pe = pe->NextSiblingElement("pose"))
            for (TiXmlElement* ae = pe->FirstChildElement(); ae; ae = ae->NextSiblingElement())
                steps.push_back(std::atof(ae->Attribute("value")));
    }
    return found;
}

// model_classes emptied and a scratch directory as the working directory, both put back after the test.
class PluginTest : public testing::Test {
protected:
    PluginTest() : saved(model_classes), previous(std::filesystem::current_path(error)) {
        model_classes.clear();
        std::filesystem::current_path(dir.root, error);
        EXPECT_FALSE(error) << error.message();
    }
    ~PluginTest() override {
        std::filesystem::current_path(previous, error);
        model_classes = saved;
    }

    ScratchDir dir;
    std::error_code error;
    std::map<char*, model_factory, cmp_str> saved;
    std::filesystem::path previous;
};

class PluginModelTest : public PluginTest {
protected:
    void SetUp() override {
        if (!ensureGlContext())
            GTEST_SKIP() << "no X display";
    }

    // A model of the built plug-in, from this test's own copy so that it registers again; name must outlive it.
    std::unique_ptr<PaintableModel> create(const char* className, const char* name) {
        const std::string copy = dir.path(className) + ".so";
        std::filesystem::copy_file(VELMORA_BUILD_DIR "/models/" + std::string(className) + ".so", copy,
                                   std::filesystem::copy_options::skip_existing, error);
        model_factory factory = loadClassLibrary(copy.c_str()) ? nullptr : findModelClass(className);
        return std::unique_ptr<PaintableModel>(factory ? dynamic_cast<PaintableModel*>(factory(name)) : nullptr);
    }

    std::string draw(PaintableModel* model) {  // once; returns its standard output, then its errors
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        model->draw();
        const std::string errors = testing::internal::GetCapturedStderr();
        return testing::internal::GetCapturedStdout() + errors;
    }

    static Counts meshCounts(PolyMesh* mesh) {
        Counts n = {0, 0, 0, 0};
        while (mesh->getVertex(n[0]))
            ++n[0];
        while (mesh->getTriangle(n[1]))
            ++n[1];
        while (mesh->getNormal(n[2]))
            ++n[2];
        while (mesh->getTexCoord(n[3]))
            ++n[3];
        return n;
    }
};

}  // namespace plugintest
