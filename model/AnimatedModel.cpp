// Poses and scripts, the per-tick animation engine and the model's side of
// speed control. Step poses own copies of their key strings, so a step never
// depends on the model or pose it was built from; the engine's own maps are
// keyed by the model's attribute names. Where a playing script stands is kept
// by a StepWindow; a pass keeps its transitions as prepared, so that a script
// playing back replays each from its end. The scripts' XML is in ScriptXml.cpp;
// speed control finds the script here and leaves its steps to ScriptRetiming.
#include "model/AnimatedModel.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "model/Interpolation.h"
#include "model/OwnedPose.h"
#include "model/PoseLookup.h"
#include "model/ScriptRetiming.h"
#include "model/SpeedPlanner.h"
#include "model/xml/XmlText.h"

AnimatedModel::AnimatedModel()
    : ticks_left(0), ticks_total(0), animate(false), current_script(nullptr), current_interpolation(INT_LINEAR) {}

AnimatedModel::~AnimatedModel() {
    for (auto& entry : scripts) {
        script_steps* steps = entry.second.steps;
        if (steps) {
            for (script_step& s : *steps) {
                freePoseOwningNames(s.pose);
                std::free(s.tValues);
            }
            delete steps;
        }
        std::free(const_cast<char*>(entry.first));
    }
}

// [SECTION] poses and scripts

position* AnimatedModel::getPose() const {
    return new position(attributes);
}

script* AnimatedModel::findScript(const char* name) {
    if (!name)
        return nullptr;
    auto found = scripts.find(name);
    return found == scripts.end() ? nullptr : &found->second;
}

void AnimatedModel::endTransition() {
    ticks_left = 0;
    backward_ = false;
    played_.clear();
}

void AnimatedModel::endScript() {
    current_script = nullptr;
    backward_ = false;
    played_.clear();
}

int AnimatedModel::newScript(const char* name) {
    // A name the attribute file could not carry is refused here, where every
    // script is made, so that whatever is saved loads back.
    if (!isPlainText(name) || findScript(name))
        return -1;
    char* key = strdup(name);
    if (!key)
        return -1;
    // The transition in progress may step through another script's list.
    endTransition();
    script s;
    s.steps = new script_steps;
    s.behavior = SCR_TERMINATE;
    current_script = &scripts.emplace(key, s).first->second;
    return 0;
}

int AnimatedModel::selectScript(const char* name) {
    script* found = findScript(name);
    if (!found)
        return -1;
    endTransition();
    current_script = found;
    return 0;
}

int AnimatedModel::getScriptCount() const {
    return static_cast<int>(scripts.size());
}

const char** AnimatedModel::getScriptNames() const {
    const char** names = static_cast<const char**>(std::malloc((scripts.size() + 1) * sizeof(const char*)));
    if (!names)
        return nullptr;
    size_t i = 0;
    for (const auto& entry : scripts)
        names[i++] = entry.first;
    names[i] = nullptr;
    return names;
}

int AnimatedModel::appendPose(position* pose, int timing, int interpolation) {
    // Checked before the copy is made, so a refused pose costs nothing.
    if (!current_script) {
        std::puts("no current script");
        return -1;
    }
    if (!current_script->steps) {
        std::puts("current_script->steps == null");
        return -1;
    }
    script_step s;
    s.pose = pose ? copyPoseOwningNames(*pose) : new position;
    s.timing = timing <= 0 ? 1 : timing;
    s.interpol = static_cast<interpolation_type>(interpolation);
    s.tValues = nullptr;
    current_script->steps->push_back(s);
    return 0;
}

int AnimatedModel::runScript(const char* name) {
    script* found = findScript(name);
    // Refuse step patterns the engine cannot play rather than discover it mid-way.
    if (!found || !StepWindow::playable(*found))
        return -1;
    endTransition();
    current_script = found;
    window_.start(*found);
    const script_step& first = window_.current();
    ticks_left = ticks_total = first.timing;
    prepareNextPose(first.pose, first.timing, first.interpol);
    // A simple script first moves from wherever the model stands to its first
    // step; that way is not played back. A spline script starts on its path.
    if (isSplineType(first.interpol))
        keepTransition();
    return 0;
}

int AnimatedModel::setScriptBehavior(const char* name, int behavior) {
    script* found = findScript(name);
    if (!found)
        return -1;
    // A playing script keeps playing; the new behaviour counts at its end.
    found->behavior = static_cast<script_behavior>(behavior);
    return 0;
}

int AnimatedModel::stopScript() {
    ticks_left = 0;
    endScript();
    return 0;
}

// [SECTION] engine

void AnimatedModel::animateTo(position target, int duration, int interpol) {
    prepareNextPose(&target, duration, static_cast<interpolation_type>(interpol));
    endScript();
    ticks_left = ticks_total = duration;
}

void AnimatedModel::prepareNextPose(position* target, int duration, interpolation_type interpol) {
    next_pose.clear();
    prev_pose.clear();
    current_interpolation = interpol;
    if (!target)
        return;
    // Control steps exist only while a spline script started by runScript is current.
    if (isSplineType(interpol) && !window_.controlStepsValid(current_script))
        return;
    for (const auto& entry : *target) {
        auto attr = attributes.find(entry.first);
        if (attr == attributes.end())
            continue;
        const char* name = attr->first;
        double change = entry.second - attr->second;
        switch (interpol) {
            case INT_LINEAR:
                if (duration > 0)
                    change = change / duration;
                break;
            case INT_SIN:
            case INT_HARMONIC:
                if (change != 0)
                    prev_pose[name] = attr->second;
                break;
            case INT_CUBIC_BEZIER:
            case INT_CATMULL_ROM: {
                double p0 = poseValue(window_.segmentStart().pose, name);
                double p1 = poseValue(window_.control1().pose, name);
                double p2 = poseValue(window_.control2().pose, name);
                double p3 = poseValue(window_.current().pose, name);
                if (!(p0 == p1 && p1 == p2 && p2 == p3)) {
                    prev_pose[name] = p0;
                    cntl_pnt1[name] = p1;
                    cntl_pnt2[name] = p2;
                    next_pose[name] = p3;
                }
                change = 0;
                break;
            }
            default: break;
        }
        if (change != 0)
            next_pose[name] = change;
    }
}

void AnimatedModel::adjustPose(position* pose, interpolation_type interpol) {
    if (!pose || ticks_total <= 0 || ticks_left < 0 || ticks_left >= ticks_total)
        return;
    double uniform = static_cast<double>(ticks_total - ticks_left) / ticks_total;
    double t = uniform;
    // Speed-control parameters apply only while they match this transition's ticks.
    if (window_.pointsInto(current_script)) {
        const script_step& st = window_.current();
        if (st.tValues && st.timing == ticks_total)
            t = st.tValues[(ticks_total - 1) - ticks_left];
    }
    // A missing entry in the engine's maps reads as 0, without being added.
    OrderedCursor attr(attributes), prev(prev_pose), cntl1(cntl_pnt1), cntl2(cntl_pnt2);
    for (const auto& entry : *pose) {
        double* value = attr.find(entry.first);
        if (!value)
            continue;
        double v = entry.second;
        switch (interpol) {
            case INT_LINEAR: *value = interpolateLinear(*value, v); break;
            case INT_SIN: *value = interpolateSine(prev.valueOrZero(entry.first), v, t); break;
            case INT_HARMONIC: *value = interpolateHarmonic(prev.valueOrZero(entry.first), v, t); break;
            case INT_CUBIC_BEZIER:
                *value = cubicBezier(prev.valueOrZero(entry.first), cntl1.valueOrZero(entry.first),
                                     cntl2.valueOrZero(entry.first), v, t);
                break;
            case INT_CATMULL_ROM:
                *value = catmullRom(cntl1.valueOrZero(entry.first), prev.valueOrZero(entry.first), v,
                                    cntl2.valueOrZero(entry.first), uniform);
                break;
            default: break;
        }
    }
}

void AnimatedModel::step() {
    if (!animate || ticks_left <= 0)
        return;
    --ticks_left;
    if (backward_)
        adjustBackward();
    else
        adjustPose(&next_pose, current_interpolation);
    if (ticks_left == 0 && current_script) {
        if (backward_)
            advanceBackward();
        else
            advanceScript();
    }
}

void AnimatedModel::advanceScript() {
    switch (window_.advance()) {
        case StepWindow::kNextStep: break;
        case StepWindow::kEndOfList: {
            const script_behavior behavior = current_script->behavior;
            if (behavior == SCR_REPEAT) {
                window_.restart();
                played_.clear();
                break;
            }
            // A script of one step has nothing to play back and ends at it.
            if ((behavior == SCR_REVERSE || behavior == SCR_REVERSE_ONCE) && !played_.empty()) {
                backward_ = true;
                playBackward();
                return;
            }
            endScript();
            return;
        }
        case StepWindow::kMissingStep: endScript(); return;
    }
    playForward();
}

void AnimatedModel::playForward() {
    const script_step& next = window_.current();
    ticks_left = ticks_total = next.timing;
    prepareNextPose(next.pose, ticks_left, next.interpol);
    keepTransition();
}

void AnimatedModel::keepTransition() {
    PlayedTransition played;
    played.step = &window_.current();
    played.interpol = current_interpolation;
    played.ticks = ticks_total;
    played.change = next_pose;
    if (current_interpolation == INT_LINEAR) {
        // Linear ticks add increments; the way back is measured from where they started.
        for (const auto& entry : next_pose)
            played.from[entry.first] = attributes[entry.first];
    } else {
        played.from = prev_pose;
    }
    if (isSplineType(current_interpolation)) {
        played.control1 = cntl_pnt1;
        played.control2 = cntl_pnt2;
    }
    played_.push_back(std::move(played));
}

// [SECTION] playing back

void AnimatedModel::playBackward() {
    const PlayedTransition& played = played_.back();
    current_interpolation = played.interpol;
    ticks_left = ticks_total = played.ticks;
}

// With ticks_left ticks to go, the model stands where the forward transition
// stood after ticks_left ticks: the same curve at the same parameter, so the
// last tick lands on the transition's start.
void AnimatedModel::adjustBackward() {
    if (played_.empty() || ticks_total <= 0 || ticks_left < 0)
        return;
    const PlayedTransition& played = played_.back();
    const double uniform = static_cast<double>(ticks_left) / ticks_total;
    double t = uniform;
    // Speed-control parameters in reverse order, slowing and speeding up mirrored.
    const script_step& st = *played.step;
    if (st.tValues && st.timing == ticks_total && ticks_left > 0)
        t = st.tValues[ticks_left - 1];
    for (const auto& entry : played.change) {
        auto attr = attributes.find(entry.first);
        if (attr == attributes.end())
            continue;
        const double from = poseValue(&played.from, entry.first), v = entry.second;
        const double c1 = poseValue(&played.control1, entry.first), c2 = poseValue(&played.control2, entry.first);
        switch (played.interpol) {
            case INT_LINEAR: attr->second = from + v * ticks_left; break;
            case INT_SIN: attr->second = interpolateSine(from, v, t); break;
            case INT_HARMONIC: attr->second = interpolateHarmonic(from, v, t); break;
            case INT_CUBIC_BEZIER: attr->second = cubicBezier(from, c1, c2, v, t); break;
            case INT_CATMULL_ROM: attr->second = catmullRom(c1, from, v, c2, uniform); break;
            default: break;
        }
    }
}

void AnimatedModel::advanceBackward() {
    played_.pop_back();
    if (!played_.empty()) {
        playBackward();
        return;
    }
    backward_ = false;
    if (current_script->behavior == SCR_REVERSE)
        restartForward();
    else
        endScript();
}

// The model is back at the first step: a simple script goes on towards its
// second step at once, a spline script starts its first segment again.
void AnimatedModel::restartForward() {
    if (!StepWindow::playable(*current_script)) {
        endScript();
        return;
    }
    window_.start(*current_script);
    if (!isSplineType(window_.current().interpol) && window_.advance() != StepWindow::kNextStep) {
        endScript();
        return;
    }
    playForward();
}

// [SECTION] speed control

int AnimatedModel::speedControlSnapshot(const char* script_name, const char* param1, const char* param2,
                                        const char* param3, double accel, double decel, SpeedControlSnapshot& out,
                                        std::string* why) {
    script* found = findScript(script_name);
    if (!found || !found->steps) {
        if (why)
            *why = "no script '" + std::string(script_name) + "'";
        return -1;
    }
    return snapshotScriptSteps(script_name, *found->steps, param1, param2, param3, accel, decel, out, why);
}

int AnimatedModel::applySpeedControl(const char* script_name, const SpeedControlSnapshot& snapshot,
                                     const SpeedPlan& plan, std::string* why) {
    script* found = findScript(script_name);
    if (!plan.refused && (!found || !found->steps)) {
        if (why)
            *why = "script '" + std::string(script_name) + "' changed while it was planned";
        return -1;
    }
    return found && found->steps ? retimeScriptSteps(script_name, *found->steps, snapshot, plan, why) : -1;
}

int AnimatedModel::doSpeedControl(const char* script_name, const char* param1, const char* param2, const char* param3,
                                  double accel, double decel) {
    SpeedControlSnapshot snapshot;
    if (speedControlSnapshot(script_name, param1, param2, param3, accel, decel, snapshot) != 0)
        return -1;
    SpeedPlan plan = planSpeedControl(snapshot.points, snapshot.timings, accel, decel);
    printSpeedPlan(plan);
    return applySpeedControl(script_name, snapshot, plan);
}
