// Speed control's hold on a script's steps: what the planner is given of them,
// and its plan written back. The planning itself needs no steps (SpeedPlanner).
#pragma once

#include <string>

#include "model/Script.h"
#include "model/SpeedPlanner.h"

// Fills out with the points (the values of param1..param3 in every pose), the
// timings and the identities of steps; 0, or -1 when they cannot be planned:
// fewer than three steps, ratios that are negative or sum beyond 1 (said on
// stdout), or more steps than the planner takes (said on stdout).
// Refusals that are not said on stdout leave their reason in why (may be null).
int snapshotScriptSteps(const char* name, const script_steps& steps, const char* param1, const char* param2,
                        const char* param3, double accel, double decel, SpeedControlSnapshot& out, std::string* why);

// Gives every step after the first the plan's tick count and curve
// parameters; 0, or -1 when the plan was refused or the steps are no longer
// the ones the snapshot was taken of.
int retimeScriptSteps(const char* name, script_steps& steps, const SpeedControlSnapshot& snapshot,
                      const SpeedPlan& plan, std::string* why);
