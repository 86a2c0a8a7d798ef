// The frame-rate text's number: frames per second of wall-clock time between
// the frames drawn, smoothed, with rests of the window left out.
#include <gtest/gtest.h>

#include <chrono>

#include "viewer/FrameRateMeter.h"

using std::chrono::microseconds;
using std::chrono::milliseconds;

namespace {

// Draws `frames` frames `interval` apart after `start`; returns the time of the last.
FrameRateMeter::Clock::time_point drawFrames(FrameRateMeter& meter, FrameRateMeter::Clock::time_point start,
                                             FrameRateMeter::Clock::duration interval, int frames) {
    FrameRateMeter::Clock::time_point now = start;
    for (int i = 0; i < frames; ++i) {
        now += interval;
        meter.frameAt(now);
    }
    return now;
}

}  // namespace

TEST(FrameRateMeter, settles_on_the_rate_the_frames_are_drawn_at) {
    const struct {
        FrameRateMeter::Clock::duration interval;
        double rate;
    } cases[] = {
        {milliseconds(20), 50.0},         // the timer's tick
        {microseconds(20200), 49.50495},  // a tick and the time it takes to step the models
        {milliseconds(40), 25.0},        {microseconds(16667), 59.9988}, {milliseconds(5), 200.0},
    };
    for (const auto& c : cases) {
        FrameRateMeter meter;
        drawFrames(meter, FrameRateMeter::Clock::time_point{}, c.interval, 200);
        EXPECT_NEAR(meter.shown(), c.rate, 0.01) << c.rate;
    }
}

TEST(FrameRateMeter, the_first_frame_starts_the_clock_and_each_next_one_moves_a_tenth_of_the_way) {
    FrameRateMeter meter;
    const FrameRateMeter::Clock::time_point start{std::chrono::seconds(1000)};
    EXPECT_DOUBLE_EQ(meter.frameAt(start), 50.0);
    EXPECT_DOUBLE_EQ(meter.frameAt(start + milliseconds(40)), 50.0 * 0.9 + 25.0 * 0.1);
    EXPECT_DOUBLE_EQ(meter.frameAt(start + milliseconds(50)), (50.0 * 0.9 + 25.0 * 0.1) * 0.9 + 100.0 * 0.1);
}

TEST(FrameRateMeter, a_rest_of_the_window_is_left_out_and_the_number_carries_on) {
    const struct {
        FrameRateMeter::Clock::duration gap;
        bool counted;
    } cases[] = {
        {FrameRateMeter::kLongestCountedGap, true},
        {FrameRateMeter::kLongestCountedGap + microseconds(1), false},
        {std::chrono::seconds(30), false},
    };
    for (const auto& c : cases) {
        FrameRateMeter meter;
        FrameRateMeter::Clock::time_point now = drawFrames(meter, {}, milliseconds(40), 100);
        const double before = meter.shown();
        now += c.gap;
        const double rest_rate = 1.0 / std::chrono::duration<double>(c.gap).count();
        const double after_rest = meter.frameAt(now);
        EXPECT_DOUBLE_EQ(after_rest, c.counted ? before * 0.9 + rest_rate * 0.1 : before);
        // The frame that ended the rest is where the next interval starts.
        EXPECT_DOUBLE_EQ(meter.frameAt(now + milliseconds(40)), after_rest * 0.9 + 25.0 * 0.1);
    }
}
