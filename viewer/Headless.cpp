// The windowless loop, the GLUT loop's twin: what the window's reshape, first
// frame and timer callbacks do, in the same order, on the main thread. It
// never calls GLUT, which is never initialised here; keyboard and mouse do
// not exist, so only the console drives it.
#include "viewer/Headless.h"

#include <GL/gl.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "model/Windowless.h"
#include "viewer/OffscreenContext.h"
#include "viewer/Render.h"
#include "viewer/Startup.h"

namespace {

// The window's first tick comes this long after start-up.
const std::chrono::milliseconds kFirstTick(500);
const std::chrono::milliseconds kTick(1000 / kTicksPerSecond);

}  // namespace

int runHeadless(int width, int height) {
    if (width <= 0 || height <= 0) {
        std::fprintf(stderr, "cannot render without a window at %dx%d: the size must be positive\n", width, height);
        return 1;
    }
    // Lives as long as the process; frames are drawn into it to the end.
    static OffscreenContext context;
    std::string why;
    if (!context.open(width, height, &why)) {
        std::fprintf(stderr, "cannot render without a window: %s\n", why.c_str());
        return 1;
    }
    setWindowless(width, height);
    // Exit processing must run before the handlers the GL driver registered
    // while the context was made, as it does before GLUT's.
    std::atexit(exitCode);

    initContextState();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    setUpProjection(width, height);
    const auto started = std::chrono::steady_clock::now();
    display();
    startConsole();

    // A tick's next one is timed from its start, as GLUT re-arms the timer
    // before the frame it asked for is drawn.
    std::this_thread::sleep_until(started + kFirstTick);
    for (;;) {
        const auto next = std::chrono::steady_clock::now() + kTick;
        if (timerTick())
            display();
        std::this_thread::sleep_until(next);
    }
}
