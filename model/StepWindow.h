// The steps a playing script's transition sees: the step it moves towards and,
// for a spline script, the segment's start and its two control steps (Bezier:
// P0, P1, P2; Catmull-Rom: the segment start, the step before it and the one
// after the end). It points into one script's list and never past its end.
#pragma once

#include "model/Script.h"

class StepWindow {
public:
    // Where the window stands after moving on from a finished transition.
    enum Advance {
        kNextStep,    // the current step is the next one to play
        kEndOfList,   // the last step has been played
        kMissingStep  // the next spline segment lacks a step it needs
    };

    // Whether `s` can be played from its start without the window running out:
    // it has steps; a Bezier script has 3k+1 of them and does not repeat; a
    // Catmull-Rom script has at least three; a script that starts with a
    // simple step has no spline steps.
    static bool playable(const script& s);

    // Positions the window for the start of a playable script: simple scripts
    // at s0; Bezier s0..s2 as controls towards s3; Catmull-Rom s0, s0 and s2
    // around the segment towards s1.
    void start(script& s);
    // Moves on after the transition into the current step has ended.
    Advance advance();
    // Back to the first step (a repeating script); the control steps stay.
    void restart();

    // Whether the window points into the list of `s`.
    bool pointsInto(const script* s) const { return s && s == script_; }
    // Whether the four steps a spline transition of `s` reads all exist.
    bool controlStepsValid(const script* s) const;

    // Only while the window points into a script's list.
    script_step& current() const { return *current_; }
    const script_step& segmentStart() const { return *segmentStart_; }
    const script_step& control1() const { return *control1_; }
    const script_step& control2() const { return *control2_; }

private:
    bool advanceCatmullRom(script_steps::iterator end);

    script* script_ = nullptr;
    // The control steps were positioned by start() for `script_`.
    bool splineStarted_ = false;
    script_steps::iterator current_;
    script_steps::iterator segmentStart_;
    script_steps::iterator control1_;
    script_steps::iterator control2_;
};
