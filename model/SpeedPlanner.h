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

struct SpeedPlan {
    // Every line, without its line feed, in the order it is printed.
    std::vector<std::string> report;
    // Steps 1, 2, ... in order; a step past the end of this list keeps its
    // timing and gets no parameters (the frames never reached its segment).
    std::vector<StepRetiming> steps;
};

// `points` holds three attribute values per step, `timings` the steps' tick
// counts (the first step's included); needs at least three steps to plan
// anything. `accel` and `decel` are the fractions of all frames spent
// speeding up and slowing down.
SpeedPlan planSpeedControl(const std::vector<path_point>& points, const std::vector<int>& timings, double accel,
                           double decel);
