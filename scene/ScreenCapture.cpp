// The hand-over of one frame's pixels from the window thread to a waiting
// thread, under a mutex of its own (never the model-list mutex, which the
// frame itself needs). The pixels are read from the back buffer after the
// scene is drawn and before the buffers swap, so they are exactly what the
// window shows next. Without a window the offscreen buffer has the size the
// program was started with, and GLUT is not there to ask.
#include "scene/ScreenCapture.h"

#include <GL/glut.h>

#include "model/Windowless.h"
#include "scene/RedrawRequest.h"

namespace {

Picture readBackBuffer() {
    Picture frame;
    const bool offscreen = windowless();
    frame.width = offscreen ? windowlessWidth() : glutGet(GLUT_WINDOW_WIDTH);
    frame.height = offscreen ? windowlessHeight() : glutGet(GLUT_WINDOW_HEIGHT);
    if (frame.width <= 0 || frame.height <= 0)
        return Picture();
    frame.rgb.resize(static_cast<size_t>(frame.width) * static_cast<size_t>(frame.height) * 3);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, frame.width, frame.height, GL_RGB, GL_UNSIGNED_BYTE, frame.rgb.data());
    glPopClientAttrib();
    return frame;
}

}  // namespace

ScreenCapture& ScreenCapture::shared() {
    static ScreenCapture* instance = new ScreenCapture;
    return *instance;
}

bool ScreenCapture::take(std::chrono::milliseconds timeout, Picture* out) {
    std::unique_lock<std::mutex> lock(mutex_);
    wanted_ = true;
    delivered_ = false;
    // Asked only now that the request is up, so the frame cannot come and go unread.
    requestRedraw();
    const bool came = ready_.wait_for(lock, timeout, [this] { return delivered_; });
    wanted_ = false;
    if (came)
        *out = std::move(frame_);
    frame_ = Picture();
    delivered_ = false;
    return came;
}

void ScreenCapture::serve(const std::function<Picture()>& read) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!wanted_ || delivered_)
        return;
    frame_ = read();
    delivered_ = true;
    ready_.notify_all();
}

void captureIfAsked() {
    ScreenCapture& capture = ScreenCapture::shared();
    if (capture.asked())
        capture.serve([] { return readBackBuffer(); });  // a plain function pointer would export its type
}
