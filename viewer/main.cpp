// Velmora's entry point: shared state, bindings, the brush, the window and
// its timer, then the GLUT event loop, which starts the console thread once
// the window shows its first frame.
#include <GL/glut.h>
#include <pthread.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "console/Console.h"
#include "scene/SceneState.h"
#include "viewer/Headless.h"
#include "viewer/Startup.h"

int main(int argc, char** argv) {
    // Registered now, so that GLUT giving up while the window is being made
    // ends the process by the interrupt signal, as every other ending does...
    std::atexit(exitCode);
    // The character set readline's first line would switch to, chosen before
    // any other thread runs: the process locale is not safe to change while
    // the window thread's X calls read it.
    std::setlocale(LC_CTYPE, "");

    // pthread calls return their error instead of setting errno; perror reads errno.
    const int rc = pthread_mutex_init(&modelListMutex, nullptr);
    if (rc != 0) {
        errno = rc;
        std::perror("mutex error");
    }

    initControls();
    initModels(argc, argv);
    initMatrices();
    int width = 0, height = 0;  // VELMORA_HEADLESS=WxH: no window, frames drawn offscreen at that size
    if (const char* size = std::getenv("VELMORA_HEADLESS"); size && std::sscanf(size, "%dx%d", &width, &height) == 2)
        return runHeadless(width, height);
    openWindow(&argc, argv);
    glutTimerFunc(500, timerCallback, 0);
    // ...and again now, so that it runs before the exit handlers GLUT and the
    // GL driver registered, which would tear the window down under a frame.
    std::atexit(exitCode);
    glutMainLoop();
    return 0;
}
