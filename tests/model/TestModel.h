// A small concrete model for the model framework tests: draws nothing, has a
// bounded colour and size, three handles, and opens up the engine's state.
#ifndef VELMORA_TESTS_MODEL_TESTMODEL_H
#define VELMORA_TESTS_MODEL_TESTMODEL_H

#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <iterator>
#include <string>
#include <utility>

#include "model/AnimatedModel.h"

class TestModel : public AnimatedModel {
public:
    explicit TestModel(const char* name = "tester")
    {
        model_name = name;
        class_name = "TestModel";
        attributes["z"] = 0.0;
        attributes["x"] = 0.0;
        attributes["y"] = 0.0;
        attributes["red"] = 0.5;
        attributes["size"] = 1.0;
        lower_limits["red"] = 0.0;
        upper_limits["red"] = 1.0;
        lower_limits["size"] = 0.5;
        handles.push_back({1.0, 0.0, 0.0});
        handles.push_back({0.0, 2.0, 0.0});
        handles.push_back({0.0, 0.0, 3.0});
        animate = true;
    }
    void draw() override {}

    using AnimatedModel::adjustPose;
    using AnimatedModel::animate;
    using AnimatedModel::current_interpolation;
    using AnimatedModel::current_script;
    using AnimatedModel::next_pose;
    using AnimatedModel::prepareNextPose;
    using AnimatedModel::scripts;
    using AnimatedModel::showHandles;
    using AnimatedModel::ticks_left;
    using AnimatedModel::ticks_total;

    const handle_t& handle(size_t i) const { return handles[i]; }
    script* findScript(const char* name)
    {
        auto it = scripts.find(name);
        return it == scripts.end() ? nullptr : &it->second;
    }
    script_step& stepOf(const char* name, size_t index)
    {
        auto it = findScript(name)->steps->begin();
        std::advance(it, index);
        return *it;
    }
    size_t stepCount(const char* name) { return findScript(name)->steps->size(); }
};

// A model without attributes, for the empty element form.
class BareModel : public AnimatedModel {
public:
    BareModel()
    {
        model_name = "bare";
        class_name = "BareModel";
    }
    void draw() override {}
};

// Builds a pose from a list of name/value pairs; the names are literals.
inline position makePose(std::initializer_list<std::pair<const char*, double>> entries)
{
    position p;
    for (const auto& e : entries)
        p[e.first] = e.second;
    return p;
}

// A scratch folder removed with its files when the object goes.
class TempDir {
public:
    TempDir()
    {
        char pattern[] = "/tmp/velmora_model_XXXXXX";
        const char* made = mkdtemp(pattern);
        path_ = made ? made : "/tmp";
    }
    ~TempDir()
    {
        std::string cmd = "rm -rf '" + path_ + "'";
        if (path_ != "/tmp" && std::system(cmd.c_str()) != 0)
            std::fprintf(stderr, "could not remove %s\n", path_.c_str());
    }
    std::string file(const char* name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

inline std::string readWholeFile(const std::string& path)
{
    std::string text;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return text;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        text.append(buf, n);
    std::fclose(f);
    return text;
}

inline void writeWholeFile(const std::string& path, const std::string& text)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return;
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

#endif
