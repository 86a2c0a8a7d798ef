// The frame rate the overlay shows: frames per second of wall-clock time
// between frames actually drawn, smoothed so the number does not flicker.
#pragma once

#include <chrono>

#include "scene/Visibility.h"

// The shown frame rate moves a tenth of the way towards the rate measured
// over elapsed_ticks clock ticks (a rate of 100 when none passed).
double smoothFrameRate(double avg, double elapsed_ticks, double ticks_per_second);

class FrameRateMeter {
public:
    using Clock = std::chrono::steady_clock;

    // A gap between two frames longer than this is the window resting, not
    // its drawing rate: the frame after it starts the count afresh.
    static constexpr std::chrono::milliseconds kLongestCountedGap VELMORA_HIDDEN{500};

    // Counts a frame drawn at `now` and returns the rate to show.
    double frameAt(Clock::time_point now);
    double shown() const { return shown_; }

private:
    // The timer's tick rate until frames have been counted.
    double shown_ = 50.0;
    bool counting_ = false;
    Clock::time_point last_{};
};
