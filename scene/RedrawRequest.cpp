// The redraw flag between the console thread and the timer tick. Requests
// that arrive between two ticks come out as one frame.
#include "scene/RedrawRequest.h"

#include <atomic>

namespace {

std::atomic<bool> redraw_wanted = false;

}  // namespace

void requestRedraw() {
    redraw_wanted.store(true, std::memory_order_release);
}

bool takeRedrawRequest() {
    // A cheap read first, so that an idle tick writes nothing.
    if (!redraw_wanted.load(std::memory_order_relaxed))
        return false;
    return redraw_wanted.exchange(false, std::memory_order_acq_rel);
}
