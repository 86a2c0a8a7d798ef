// Start-up, the animation timer and the exit handler. The timer re-arms
// itself before asking for a redraw, so it runs for the life of the process
// and animation speed is counted in ticks, not in elapsed time.
#include "viewer/Startup.h"

#include <GL/glut.h>

#include <csignal>
#include <cstdio>

#include "console/Console.h"
#include "paint/BrushModel.h"
#include "viewer/Input.h"
#include "viewer/ModelListLock.h"
#include "viewer/ModelPasses.h"
#include "viewer/Render.h"
#include "viewer/SceneState.h"
#include "viewer/WindowState.h"

namespace {

// Timer ticks per second.
const int FPS = 50;

}  // namespace

void initModels(int, char**) {
    // The brush lives until the process ends; painting and picking rely on it.
    // The console thread is already running, so the list changes under the lock.
    BrushModel* made = new BrushModel("brush");
    ModelListLock lock;
    brush = made;
    models["brush"] = brush;
    current_model = brush;
}

void initMatrices() {
    Matrix4fSetIdentity(&window_state.transformMatrix);
    Matrix3fSetIdentity(&window_state.lastRotation);
    Matrix3fSetIdentity(&window_state.currentRotation);
}

void openWindow(int* argc, char** argv) {
    glutInit(argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(500, 500);
    glutInitWindowPosition(510, 10);
    glutCreateWindow("Daubry");
    glEnable(GL_DEPTH_TEST);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);

    glutDisplayFunc(display);
    glutReshapeFunc(reshapeCallback);
    glutKeyboardFunc(keyCallback);
    glutMouseFunc(mouseCallback);
    glutMotionFunc(mouseMotionCallback);
}

void timerCallback(int) {
    {
        ModelListLock lock("timer - mutex lock error", "timer - mutex unlock error", ModelListLock::PERROR);
        stepModels();
    }
    glutTimerFunc(1000 / FPS, timerCallback, 0);
    glutPostRedisplay();
}

void exitCode() {
    quit = true;
    // When the window is closed, readline may still be waiting for a line on
    // the console thread, with the terminal in raw mode and its own handler
    // on the interrupt signal: the terminal is handed back first.
    releaseConsole();
    std::fclose(stdin);
    // The process ends here, so the global destructors never run under a
    // live window thread.
    std::raise(SIGINT);
}
