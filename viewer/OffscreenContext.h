// A desktop OpenGL context with no window and no display server: Mesa's
// surfaceless EGL platform, drawing into a pbuffer of a fixed size.
#pragma once

#include <EGL/egl.h>

#include <string>

class OffscreenContext {
public:
    // Makes the context current on the calling thread, drawing into and
    // reading from the back buffer of a width x height pbuffer. False, with
    // the reason in *why, when no such context can be had.
    bool open(int width, int height, std::string* why);

private:
    bool chooseConfig(EGLConfig* config, std::string* why);

    EGLDisplay display_ = EGL_NO_DISPLAY;
    EGLSurface surface_ = EGL_NO_SURFACE;
    EGLContext context_ = EGL_NO_CONTEXT;
};
