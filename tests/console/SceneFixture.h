// The scene every console test starts from: "tester" current, "m1", "m2" and the brush listed, fresh bindings, a class
// "Tester"; the model-list mutex checks errors, so a second lock prints its error instead of hanging the test.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "console/CommandTable.h"
#include "console/Console.h"
#include "model/OwnedPose.h"
#include "paint/PaintableModel.h"
#include "paint/brush/BrushModel.h"
#include "plugins/ClassRegistry.h"
#include "scene/SceneState.h"
#include "tests/model/TestModel.h"

inline bool modelListLocked() {
    return pthread_mutex_trylock(&modelListMutex) == EBUSY || pthread_mutex_unlock(&modelListMutex);
}

// Records the skins given to it; a paint call under the lock with the scene's brush counts 1, any other 1000.
struct RecordingPaintable : PaintableModel {
    using PaintableModel::PaintableModel;
    using PaintableModel::textures;
    int takeSkin(int num, const char*, Image::Decoded) override {
        loaded.push_back(num);
        return 1;
    }
    void paintModel(BrushModel* used) override { calls += modelListLocked() && used == brush ? 1 : 1000; }
    std::vector<int> loaded;
    int calls = 0;
};

struct Output {
    std::string out, err;
    std::string both() const { return out + "|" + err; }
};

// Runs one line as the console thread does and returns what it printed.
inline Output runLine(std::string line) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    executeLine(&line[0]);
    std::fflush(nullptr);
    const std::string err = testing::internal::GetCapturedStderr();
    return {testing::internal::GetCapturedStdout(), err};
}

inline std::string out(const std::string& text) {
    return runLine(text).out;
}

inline void runQuietly(std::initializer_list<std::string> lines) {
    for (const std::string& line : lines)
        EXPECT_EQ(out(line), "") << line;
}

// Models made by `new model`; those no test deleted are deleted afterwards.
inline std::vector<AnimatedModel*> made_models;
inline AnimatedModel* makeTester(const char* name) {
    return made_models.emplace_back(new TestModel(name));
}

class SceneFixture : public testing::Test {
protected:
    void SetUp() override {
        if (commandMap.empty())
            registerCommands();
        pthread_mutex_destroy(&modelListMutex);
        modelListMutex = PTHREAD_ERRORCHECK_MUTEX_INITIALIZER_NP;
        swapScene();
        initControls();
        made_models.clear();
        showFPS = showPos = painting = game_mode = false;
    }

    void TearDown() override {
        EXPECT_FALSE(modelListLocked()) << "a command left the model-list mutex locked";
        for (auto& [name, model] : models)
            if (std::count(made_models.begin(), made_models.end(), model)) {
                delete model;
                std::free(const_cast<char*>(name));
            }
        for (auto& [name, pose] : poses) {
            freePoseOwningNames(pose);
            std::free(const_cast<char*>(name));
        }
        for (auto& [name, scheme] : control_schemes) {
            for (auto& binding : *scheme)
                std::free(const_cast<char*>(binding.second));
            delete scheme;
        }
        swapScene();
        pthread_mutex_destroy(&modelListMutex);
        modelListMutex = PTHREAD_MUTEX_INITIALIZER;
    }

    TestModel tester{"tester"}, m1{"m1"}, m2{"m2"};
    BrushModel test_brush{"brush"};

private:
    void swapScene() {
        std::swap(models, models_);
        std::swap(current_model, current_);
        std::swap(brush, brush_);
        std::swap(poses, poses_);
        std::swap(control_schemes, schemes_);
        std::swap(current_controls, controls_);
        std::swap(model_classes, classes_);
        control_step_ = control_step.exchange(control_step_);
        for (int i = 0; i < 3; ++i) {
            background_[i] = background_color[i].exchange(background_[i]);
            handle_[i] = handle_color[i].exchange(handle_[i]);
        }
    }

    decltype(models) models_{{"brush", &test_brush}, {"m1", &m1}, {"m2", &m2}, {"tester", &tester}};
    AnimatedModel* current_ = &tester;
    BrushModel* brush_ = &test_brush;
    decltype(poses) poses_;
    decltype(control_schemes) schemes_;
    control_map* controls_ = nullptr;
    decltype(model_classes) classes_{{const_cast<char*>("Tester"), makeTester}};
    double control_step_ = 4.0;
    double background_[3] = {};
    GLfloat handle_[3] = {1.0f, 0.0f, 0.0f};
};
