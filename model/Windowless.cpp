// The windowless flag and framebuffer size. They are set once before the
// console thread starts and never change, so plain reads are enough; atomics
// keep the thread sanitizer from doubting it.
#include "model/Windowless.h"

#include <atomic>

namespace {

std::atomic<int> frame_width = 0;
std::atomic<int> frame_height = 0;

}  // namespace

void setWindowless(int width, int height) {
    frame_width = width;
    frame_height = height;
}

bool windowless() {
    return frame_width.load(std::memory_order_relaxed) > 0;
}

int windowlessWidth() {
    return frame_width.load(std::memory_order_relaxed);
}

int windowlessHeight() {
    return frame_height.load(std::memory_order_relaxed);
}
