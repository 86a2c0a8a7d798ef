// A scene for console command tests: a test model "tester" current, the
// brush and two more models listed, the "Default" bindings freshly made, no
// poses, start-up settings. Everything is put back afterwards. The model-list
// mutex checks errors, so a nested lock shows up as a lock-error message in
// the output instead of hanging the test.
#ifndef VELMORA_TESTS_CONSOLE_SCENEFIXTURE_H
#define VELMORA_TESTS_CONSOLE_SCENEFIXTURE_H

#include <gtest/gtest.h>
#include <pthread.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "console/Commands.h"
#include "console/Console.h"
#include "tests/model/TestModel.h"
#include "viewer/SceneState.h"

inline bool modelListLocked() {
    const int rc = pthread_mutex_trylock(&modelListMutex);
    if (rc == 0) pthread_mutex_unlock(&modelListMutex);
    return rc == EBUSY;
}

// Remembers whether the console held the model-list mutex when it set a value.
class ProbeModel : public TestModel {
public:
    explicit ProbeModel(const char* name) : TestModel(name) {}
    int setAttribute(const char* attr, double val) override {
        locked_on_set = modelListLocked();
        return TestModel::setAttribute(attr, val);
    }
    bool locked_on_set = false;
};

struct Output {
    std::string out;
    std::string err;
};

// Runs one line as the console does and returns what it printed.
inline Output runLine(const std::string& text) {
    std::string copy = text;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    executeLine(&copy[0]);
    std::fflush(stdout);
    std::fflush(stderr);
    Output o;
    o.err = testing::internal::GetCapturedStderr();
    o.out = testing::internal::GetCapturedStdout();
    return o;
}

inline std::string out(const std::string& text) {
    return runLine(text).out;
}

class SceneFixture : public testing::Test {
protected:
    SceneFixture() : tester("tester"), m1("m1"), m2("m2"), test_brush("brush") {}

    void SetUp() override {
        if (commandMap.empty()) registerCommands();
        pthread_mutexattr_t attr;
        pthread_mutexattr_init(&attr);
        pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_ERRORCHECK);
        pthread_mutex_destroy(&modelListMutex);
        pthread_mutex_init(&modelListMutex, &attr);
        pthread_mutexattr_destroy(&attr);

        saved_models = models;
        saved_poses = poses;
        saved_schemes = control_schemes;
        saved_current = current_model;
        saved_controls = current_controls;
        saved_brush = brush;
        saved_step = control_step;
        for (int i = 0; i < 3; ++i) {
            saved_background[i] = background_color[i];
            saved_handle[i] = handle_color[i];
        }
        models.clear();
        models["brush"] = &test_brush;
        models["m1"] = &m1;
        models["m2"] = &m2;
        models["tester"] = &tester;
        current_model = &tester;
        brush = &test_brush;
        poses.clear();
        control_schemes.clear();
        current_controls = nullptr;
        initControls();
        control_step = 4.0;
        background_color[0] = background_color[1] = background_color[2] = 0.0;
        handle_color[0] = 1.0f;
        handle_color[1] = handle_color[2] = 0.0f;
        showFPS = showPos = painting = game_mode = false;
    }

    void TearDown() override {
        EXPECT_FALSE(modelListLocked()) << "a command left the model-list mutex locked";
        for (auto& entry : poses) {
            for (auto& value : *entry.second) std::free(const_cast<char*>(value.first));
            delete entry.second;
            std::free(const_cast<char*>(entry.first));
        }
        for (auto& entry : control_schemes) {
            for (auto& binding : *entry.second) std::free(const_cast<char*>(binding.second));
            delete entry.second;
        }
        models = saved_models;
        poses = saved_poses;
        control_schemes = saved_schemes;
        current_model = saved_current;
        current_controls = saved_controls;
        brush = saved_brush;
        control_step = saved_step;
        for (int i = 0; i < 3; ++i) {
            background_color[i] = saved_background[i];
            handle_color[i] = saved_handle[i];
        }
        showFPS = showPos = painting = game_mode = false;
        pthread_mutex_destroy(&modelListMutex);
        pthread_mutex_init(&modelListMutex, nullptr);
    }

    ProbeModel tester;
    TestModel m1;
    TestModel m2;
    BrushModel test_brush;

private:
    std::map<const char*, AnimatedModel*, cmp_str> saved_models;
    std::map<const char*, position*, cmp_str> saved_poses;
    std::map<const char*, control_map*, cmp_str> saved_schemes;
    AnimatedModel* saved_current = nullptr;
    control_map* saved_controls = nullptr;
    BrushModel* saved_brush = nullptr;
    double saved_step = 0.0;
    double saved_background[3] = {};
    GLfloat saved_handle[3] = {};
};

#endif
