// Cost of one animation tick over a model with 50 attributes for each
// interpolation type, and of speed control over a 200-step script: planned
// alone, and run on a model (its report goes to /dev/null, but is still
// formatted and printed).
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "model/AnimatedModel.h"
#include "model/SpeedPlanner.h"

namespace {

const std::vector<std::string>& attributeNames() {
    static std::vector<std::string> names = [] {
        std::vector<std::string> v;
        for (int i = 0; i < 47; ++i)
            v.push_back("attr" + std::to_string(i));
        v.push_back("x");
        v.push_back("y");
        v.push_back("z");
        return v;
    }();
    return names;
}

class BenchModel : public AnimatedModel {
public:
    BenchModel() {
        model_name = "bench";
        class_name = "BenchModel";
        for (const std::string& name : attributeNames())
            attributes[name.c_str()] = 0.0;
        animate = true;
    }
    void draw() override {}
    bool playing() const { return current_script != nullptr && ticks_left > 0; }
    void repeatCurrentScript() { current_script->behavior = SCR_REPEAT; }
    void setTimings(const char* name, int timing) {
        for (script_step& s : *scripts.find(name)->second.steps)
            s.timing = timing;
    }
};

// Four poses moving every attribute, 50 ticks per step.
void buildScript(BenchModel& m, int interpol) {
    m.newScript("s");
    for (int k = 0; k < 4; ++k) {
        position p;
        int i = 0;
        for (const std::string& name : attributeNames())
            p[name.c_str()] = std::sin(0.7 * k + 0.13 * i++) * 10.0;
        m.appendPose(&p, 50, interpol);
    }
}

void BM_StepFiftyAttributes(benchmark::State& state) {
    int interpol = static_cast<int>(state.range(0));
    BenchModel m;
    buildScript(m, interpol);
    // Simple scripts repeat; spline scripts cannot, so they are restarted.
    if (interpol == INT_LINEAR || interpol == INT_SIN || interpol == INT_HARMONIC)
        m.repeatCurrentScript();
    for (auto _ : state) {
        if (!m.playing())
            m.runScript("s");
        m.step();
    }
    benchmark::DoNotOptimize(m.getAttribute("x"));
}
BENCHMARK(BM_StepFiftyAttributes)->DenseRange(INT_LINEAR, INT_CATMULL_ROM)->ArgName("interpolation");

// A helix of 200 poses.
path_point helixPoint(int k) {
    return {std::cos(0.3 * k) * 5.0, std::sin(0.3 * k) * 5.0, 0.1 * k};
}

void BM_PlanSpeedControl200Steps(benchmark::State& state) {
    std::vector<path_point> points;
    for (int k = 0; k < 200; ++k)
        points.push_back(helixPoint(k));
    std::vector<int> timings(points.size(), 10);
    for (auto _ : state) {
        SpeedPlan plan = planSpeedControl(points, timings, 0.25, 0.25);
        benchmark::DoNotOptimize(plan.steps.data());
    }
}
BENCHMARK(BM_PlanSpeedControl200Steps)->Unit(benchmark::kMillisecond);

void BM_SpeedControl200Steps(benchmark::State& state) {
    BenchModel m;
    m.newScript("path");
    for (int k = 0; k < 200; ++k) {
        path_point point = helixPoint(k);
        position p;
        p["x"] = point[0];
        p["y"] = point[1];
        p["z"] = point[2];
        m.appendPose(&p, 10, INT_SIN);
    }
    std::fflush(stdout);
    int saved = dup(STDOUT_FILENO);
    int devnull = open("/dev/null", O_WRONLY);
    dup2(devnull, STDOUT_FILENO);
    int result = 0;
    for (auto _ : state) {
        state.PauseTiming();
        m.setTimings("path", 10);
        state.ResumeTiming();
        result |= m.doSpeedControl("path", "x", "y", "z", 0.25, 0.25);
    }
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    close(devnull);
    if (result != 0)
        state.SkipWithError("speed control failed");
}
BENCHMARK(BM_SpeedControl200Steps)->Unit(benchmark::kMillisecond);

}  // namespace
