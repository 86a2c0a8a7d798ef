// Positions of a playing script: where a script starts, how each kind of
// segment moves on, and the checks that keep every position inside the list.
// Relies on the list keeping positions valid when steps are appended.
#include "model/StepWindow.h"

#include <iterator>

namespace {

// Moves `it` forward by `n` steps; false if it reaches or passes the end.
bool advanceWithin(script_steps::iterator& it, int n, script_steps::iterator end) {
    for (int i = 0; i < n; ++i) {
        if (it == end)
            return false;
        ++it;
    }
    return it != end;
}

}  // namespace

bool StepWindow::playable(const script& s) {
    const script_steps* steps = s.steps;
    if (!steps || steps->empty())
        return false;
    interpolation_type first = steps->front().interpol;
    size_t n = steps->size();
    if (first == INT_CUBIC_BEZIER)
        return n >= 4 && n % 3 == 1 && s.behavior != SCR_REPEAT;
    if (first == INT_CATMULL_ROM)
        return n >= 3;
    for (const script_step& st : *steps)
        if (isSplineType(st.interpol))
            return false;
    return true;
}

void StepWindow::start(script& s) {
    script_ = &s;
    current_ = s.steps->begin();
    interpolation_type first = current_->interpol;
    splineStarted_ = isSplineType(first);
    if (first == INT_CUBIC_BEZIER) {
        segmentStart_ = current_;
        control1_ = std::next(segmentStart_, 1);
        control2_ = std::next(segmentStart_, 2);
        current_ = std::next(segmentStart_, 3);
    } else if (first == INT_CATMULL_ROM) {
        // The first step doubles as the step before the start.
        segmentStart_ = control1_ = current_;
        current_ = std::next(segmentStart_, 1);
        control2_ = std::next(segmentStart_, 2);
    }
}

StepWindow::Advance StepWindow::advance() {
    if (!script_)
        return kMissingStep;
    script_steps::iterator end = script_->steps->end();
    ++current_;
    if (current_ == end)
        return kEndOfList;
    interpolation_type type = current_->interpol;
    // Control steps are positioned only when the script starts with a spline.
    if (isSplineType(type) && !splineStarted_)
        return kMissingStep;
    bool ok = true;
    if (type == INT_CUBIC_BEZIER) {
        // The next segment starts where this one ended and spans three steps.
        ok = advanceWithin(current_, 2, end) && advanceWithin(control1_, 3, end) && advanceWithin(control2_, 3, end) &&
             advanceWithin(segmentStart_, 3, end);
    } else if (type == INT_CATMULL_ROM) {
        ok = advanceCatmullRom(end);
    }
    return ok ? kNextStep : kMissingStep;
}

bool StepWindow::advanceCatmullRom(script_steps::iterator end) {
    bool ok = true;
    // The doubled first step is left behind only after the first segment.
    if (control1_ != segmentStart_)
        ok = advanceWithin(control1_, 1, end);
    ok = ok && advanceWithin(segmentStart_, 1, end) && control2_ != end;
    // On the last segment the step after the end is the end itself.
    if (ok && ++control2_ == end)
        --control2_;
    return ok;
}

void StepWindow::restart() {
    if (script_)
        current_ = script_->steps->begin();
}

bool StepWindow::controlStepsValid(const script* s) const {
    if (!pointsInto(s) || !splineStarted_ || !s->steps)
        return false;
    script_steps::iterator end = s->steps->end();
    return current_ != end && segmentStart_ != end && control1_ != end && control2_ != end;
}
