// Velmora's entry point: the command line, shared state, bindings, the brush,
// the window and its timer, then the GLUT event loop, which starts the console
// thread once the window shows its first frame.
#include <GL/glut.h>
#include <pthread.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "console/Console.h"
#include "console/StartupCommands.h"
#include "scene/SceneState.h"
#include "viewer/CommandLine.h"
#include "viewer/Headless.h"
#include "viewer/Startup.h"

int main(int argc, char** argv) {
    // Help, the version and a bad command line end here, before anything that
    // the exit handler would have to undo exists.
    CommandLine line = CommandLine::parse(argc, argv);
    if (line.outcome != CommandLine::Outcome::kRun)
        return line.printText();
    headless_run = line.headless;
    StartupCommands::set(std::move(line.models), std::move(line.execFiles));

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
    initModels();
    initMatrices();
    if (line.headless) {
        // Only a run that could not draw offscreen comes back, and ends with its status.
        setRunStatus(runHeadless(line.width, line.height));
        return 1;
    }
    openWindow(argc > 0 ? argv[0] : "velmora", line.width, line.height);
    glutTimerFunc(500, timerCallback, 0);
    // ...and again now, so that it runs before the exit handlers GLUT and the
    // GL driver registered, which would tear the window down under a frame.
    std::atexit(exitCode);
    glutMainLoop();
    return 0;
}
