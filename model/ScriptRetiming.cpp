// Reading a script's steps for speed control and writing the plan back. A step
// is identified by its pose, its own copy made when it was appended, so a plan
// made without the model-list lock lands only on the steps it was made from.
#include "model/ScriptRetiming.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "model/PoseLookup.h"

namespace {

const void* stepIdentity(const script_step& st) {
    return st.pose;
}

bool sameSteps(const script_steps& steps, const SpeedControlSnapshot& snapshot) {
    if (steps.size() != snapshot.steps.size() || steps.size() != snapshot.timings.size())
        return false;
    size_t i = 0;
    for (const script_step& st : steps) {
        if (stepIdentity(st) != snapshot.steps[i] || st.timing != snapshot.timings[i])
            return false;
        ++i;
    }
    return true;
}

}  // namespace

int snapshotScriptSteps(const char* name, const script_steps& steps, const char* param1, const char* param2,
                        const char* param3, double accel, double decel, SpeedControlSnapshot& out, std::string* why) {
    if (steps.size() < 3) {
        if (why)
            *why = "script '" + std::string(name) + "' has " + std::to_string(steps.size()) +
                   " steps, at least 3 are needed";
        return -1;
    }
    std::string refusal = speedControlRatioRefusal(accel, decel);
    if (refusal.empty())
        refusal = speedControlStepRefusal(steps.size());
    if (!refusal.empty()) {
        std::puts(refusal.c_str());
        return -1;
    }
    out = SpeedControlSnapshot();
    out.points.reserve(steps.size());
    out.timings.reserve(steps.size());
    out.steps.reserve(steps.size());
    for (const script_step& st : steps) {
        out.points.push_back({poseValue(st.pose, param1), poseValue(st.pose, param2), poseValue(st.pose, param3)});
        out.timings.push_back(st.timing);
        out.steps.push_back(stepIdentity(st));
    }
    return 0;
}

// Steps without a count keep their timing and play uniformly; an allocation
// failure stops at the step it failed on, the steps before it keeping their new tables.
int retimeScriptSteps(const char* name, script_steps& steps, const SpeedControlSnapshot& snapshot,
                      const SpeedPlan& plan, std::string* why) {
    if (plan.refused)
        return -1;
    if (!sameSteps(steps, snapshot)) {
        if (why)
            *why = "script '" + std::string(name) + "' changed while it was planned";
        return -1;
    }
    size_t j = 0;
    for (auto it = std::next(steps.begin()); it != steps.end(); ++it, ++j) {
        std::free(it->tValues);
        it->tValues = nullptr;
        if (j >= plan.steps.size())
            continue;
        const std::vector<double>& values = plan.steps[j].tValues;
        int count = static_cast<int>(values.size());
        double* table = static_cast<double*>(std::malloc(values.size() * sizeof(double)));
        if (!table) {
            std::printf("malloc failed, aborting\nframes: %i\n", count);
            return -1;
        }
        std::copy(values.begin(), values.end(), table);
        it->timing = count;
        it->tValues = table;
    }
    return 0;
}
