// The records of a script: its steps, each a pose to reach in a number of
// ticks with an interpolation, and what the script does after its last step.
#pragma once

#include <list>

#include "model/ModelTypes.h"

struct script_step {
    position* pose;  // owned, keys included
    int timing;      // ticks of the transition into this pose
    interpolation_type interpol;
    double* tValues;  // null or exactly `timing` curve parameters (malloc)
};

// A list, so that the engine's positions survive appends while a script plays.
typedef std::list<script_step> script_steps;

struct script {
    script_steps* steps;
    script_behavior behavior;
};

// Spline steps read their curve from neighbouring steps, not from the model.
inline bool isSplineType(int interpol) {
    return interpol == INT_CUBIC_BEZIER || interpol == INT_CATMULL_ROM;
}
