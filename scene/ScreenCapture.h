// Taking the window's picture for another thread: the console asks, the
// window thread reads the frame it has just drawn and hands the pixels back.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

#include "paint/image/Picture.h"

// Frames are handed over as the framebuffer holds them, which is the form of
// a Picture: bottom row first, rows tightly packed.
class ScreenCapture {
public:
    // The one instance the console and the window share. It is never
    // destroyed, so a thread still waiting on it while the process ends
    // waits on something that exists.
    static ScreenCapture& shared();

    // Any thread but the window's: asks for the next frame (raising a redraw
    // request, so a resting window draws one) and waits for it at
    // most `timeout`. False when no frame came in time; the request is then
    // withdrawn, so a frame drawn later is not read for it.
    bool take(std::chrono::milliseconds timeout, Picture* out);

    // The window thread, after a frame is drawn: when a picture was asked for,
    // reads it with `read` and hands it to the waiting thread. Cheap when
    // nobody asked.
    void serve(const std::function<Picture()>& read);
    // Whether a request waits; a hint read without the mutex.
    bool asked() const { return wanted_; }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::atomic<bool> wanted_ = false;
    bool delivered_ = false;
    Picture frame_;
};

// The window thread, between drawing a frame and showing it: serves a waiting
// request from the back buffer.
void captureIfAsked();
