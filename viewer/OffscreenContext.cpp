// The offscreen context. The renderer is fixed-function GL 1.x, so it asks for
// the compatibility profile through EGL_OPENGL_API. It draws into a pbuffer
// rather than a framebuffer object: the pbuffer can have the very pixel
// layout the GLUT window's visual has under Mesa (8-bit red, green and blue
// with no alpha, stored as BGRX, and a 32-bit depth buffer), and Mesa's
// software rasteriser takes different arithmetic paths for other layouts (an
// RGBA8 renderbuffer shades some textured pixels one step apart, a 24-bit
// depth buffer can settle near depths the other way). Same layout, same
// pixels; and the picture is read from GL_BACK as in the window.
#include "viewer/OffscreenContext.h"

#include <EGL/eglext.h>

#include <cstdio>
#include <vector>

namespace {

std::string eglFailure(const char* what) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%04x", static_cast<unsigned>(eglGetError()));
    return std::string(what) + " failed (EGL error " + code + ")";
}

EGLint attribute(EGLDisplay display, EGLConfig config, EGLint name) {
    EGLint value = 0;
    eglGetConfigAttrib(display, config, name, &value);
    return value;
}

}  // namespace

bool OffscreenContext::chooseConfig(EGLConfig* config, std::string* why) {
    const EGLint wanted[] = {EGL_SURFACE_TYPE,
                             EGL_PBUFFER_BIT,
                             EGL_RENDERABLE_TYPE,
                             EGL_OPENGL_BIT,
                             EGL_RED_SIZE,
                             8,
                             EGL_GREEN_SIZE,
                             8,
                             EGL_BLUE_SIZE,
                             8,
                             EGL_DEPTH_SIZE,
                             24,
                             EGL_NONE};
    EGLint count = 0;
    if (!eglChooseConfig(display_, wanted, nullptr, 0, &count) || count < 1) {
        *why = "no desktop OpenGL pbuffer configuration with 8-bit colour and a depth buffer";
        return false;
    }
    std::vector<EGLConfig> configs(count);
    eglChooseConfig(display_, wanted, configs.data(), count, &count);
    // The list comes deepest colour first, alpha before none; the window's layout is searched for.
    *config = configs[0];
    for (EGLConfig candidate : configs) {
        if (attribute(display_, candidate, EGL_RED_SIZE) == 8 && attribute(display_, candidate, EGL_ALPHA_SIZE) == 0 &&
            attribute(display_, candidate, EGL_DEPTH_SIZE) == 32 && attribute(display_, candidate, EGL_SAMPLES) == 0) {
            *config = candidate;
            return true;
        }
    }
    std::fprintf(stderr, "no pbuffer laid out as the window is: frames may differ from the window's by a shade\n");
    return true;
}

bool OffscreenContext::open(int width, int height, std::string* why) {
    auto platformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!platformDisplay) {
        *why = "EGL cannot name a platform (no EGL_EXT_platform_base)";
        return false;
    }
    display_ = platformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display_ == EGL_NO_DISPLAY || !eglInitialize(display_, nullptr, nullptr)) {
        *why = eglFailure("starting Mesa's surfaceless EGL platform");
        return false;
    }
    if (!eglBindAPI(EGL_OPENGL_API)) {
        *why = eglFailure("choosing desktop OpenGL");
        return false;
    }
    EGLConfig config = nullptr;
    if (!chooseConfig(&config, why))
        return false;
    const EGLint most_wide = attribute(display_, config, EGL_MAX_PBUFFER_WIDTH);
    const EGLint most_high = attribute(display_, config, EGL_MAX_PBUFFER_HEIGHT);
    if (width > most_wide || height > most_high) {
        *why = "a frame of " + std::to_string(width) + "x" + std::to_string(height) + " is over the " +
               std::to_string(most_wide) + "x" + std::to_string(most_high) + " this OpenGL allows";
        return false;
    }
    const EGLint size[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    surface_ = eglCreatePbufferSurface(display_, config, size);
    if (surface_ == EGL_NO_SURFACE) {
        *why = eglFailure("creating the pbuffer");
        return false;
    }
    const EGLint profile[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    context_ = eglCreateContext(display_, config, EGL_NO_CONTEXT, profile);
    if (context_ == EGL_NO_CONTEXT) {
        *why = eglFailure("creating a compatibility-profile context");
        return false;
    }
    if (!eglMakeCurrent(display_, surface_, surface_, context_)) {
        *why = eglFailure("making the context current");
        return false;
    }
    return true;
}
