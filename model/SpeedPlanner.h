// Speed control as a plan, without a model: from the path through a script's
// poses and the steps' tick counts to new tick counts and curve parameters for
// the steps after the first, with the report lines the re-timing prints.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "model/SpeedControl.h"

// The new timing of one step after the first: one curve parameter per tick,
// relative to its own segment (0 at the previous pose, 1 at its own).
struct StepRetiming {
    std::vector<double> tValues;
    // Index in the report of this step's "frames: %i" line; the lines after it
    // up to the next step's belong to this step too.
    size_t reportLine;
};

// Scripts beyond these are refused: planning costs time and memory in
// proportion to the frames, and the report prints a line per frame.
const long long kMaxSpeedControlFrames = 1000000;
const size_t kMaxSpeedControlSteps = 10000;

struct SpeedPlan {
    // Every line, without its line feed, in the order it is printed.
    std::vector<std::string> report;
    // The script is beyond the limits; the report holds only the reason.
    bool refused = false;
    // Steps 1, 2, ... in order; a step past the end of this list keeps its
    // timing and gets no parameters (the frames never reached its segment).
    std::vector<StepRetiming> steps;
};

// What speed control takes from a script: the path's points, the steps' tick
// counts and what the steps were, so that a plan is applied only to the steps
// it was made from.
struct SpeedControlSnapshot {
    std::vector<path_point> points;
    std::vector<int> timings;
    std::vector<const void*> steps;  // one per step: what identifies it
};

// Empty when a script of step_count steps may be planned; otherwise the
// line (without its line feed) saying why not.
std::string speedControlStepRefusal(size_t step_count);
// The same for the ratios: each at least 0, their sum at most 1. The line
// names the argument that is out of range and its value.
std::string speedControlRatioRefusal(double accel, double decel);

// `points` holds three attribute values per step, `timings` the steps' tick
// counts (the first step's included); needs at least three steps to plan
// anything. `accel` and `decel` are the fractions of all frames spent
// speeding up and slowing down. Refuses more than kMaxSpeedControlSteps steps
// or more than kMaxSpeedControlFrames frames (the timings summed in 64 bits).
SpeedPlan planSpeedControl(const std::vector<path_point>& points, const std::vector<int>& timings, double accel,
                           double decel);
// Prints the report, one line each.
void printSpeedPlan(const SpeedPlan& plan);
