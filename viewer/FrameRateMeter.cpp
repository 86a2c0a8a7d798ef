// Frame rate in wall-clock time: each counted frame moves the shown rate a
// tenth of the way towards the rate its own interval gives. The first frame
// and the frame after a rest only start the clock and leave the number as it
// was.
#include "viewer/FrameRateMeter.h"

double smoothFrameRate(double avg, double elapsed_ticks, double ticks_per_second) {
    const double rate = elapsed_ticks > 0 ? ticks_per_second / elapsed_ticks : 100.0;
    return avg * 0.9 + rate * 0.1;
}

double FrameRateMeter::frameAt(Clock::time_point now) {
    const Clock::duration elapsed = now - last_;
    if (counting_ && elapsed <= kLongestCountedGap) {
        const double nanoseconds =
            static_cast<double>(std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count());
        shown_ = smoothFrameRate(shown_, nanoseconds, 1e9);
    }
    counting_ = true;
    last_ = now;
    return shown_;
}
