// A model that draws nothing, with a bounded colour and size, opening up the engine's state to the tests.
#pragma once

#include <iterator>
#include <string>
#include <vector>

#include "model/AnimatedModel.h"
#include "tests/ScratchFiles.h"

class TestModel : public AnimatedModel {
public:
    explicit TestModel(const char* name = "tester") {
        model_name = name;
        class_name = "TestModel";
        attributes = {{"x", 0.0}, {"y", 0.0}, {"z", 0.0}, {"red", 0.5}, {"size", 1.0}};
        lower_limits = {{"red", 0.0}, {"size", 0.5}};
        upper_limits = {{"red", 1.0}};
        animate = true;  // step() is a no-op otherwise
    }
    void draw() override {}

    using AnimatedModel::current_interpolation;
    using AnimatedModel::current_script;
    using AnimatedModel::scripts;
    using AnimatedModel::showHandles;
    using AnimatedModel::ticks_left;
    using AnimatedModel::upper_bound_by;
    using AnimatedModel::upper_limits;

    script* findScript(const char* name) {
        auto it = scripts.find(name);
        return it == scripts.end() ? nullptr : &it->second;
    }
    script_step& stepOf(const char* name, size_t index) { return *std::next(findScript(name)->steps->begin(), index); }
    size_t stepCount(const char* name) { return findScript(name)->steps->size(); }
    int append(position pose, int timing, int interpol) { return appendPose(&pose, timing, interpol); }
};

// A new current script whose steps move only x.
inline void addScript(TestModel& m, const char* name, const std::vector<double>& xs, const std::vector<int>& timings,
                      int interpol, int behavior = SCR_TERMINATE) {
    m.newScript(name);
    m.current_script->behavior = static_cast<script_behavior>(behavior);
    for (size_t i = 0; i < xs.size(); ++i)
        m.append({{"x", xs[i]}}, timings[i], interpol);
}
