// Start-up, the animation timer and the ending of the process. The timer
// re-arms itself on every tick, so it runs for the life of the process and
// animation speed is counted in ticks, not in elapsed time. It draws only
// when a model moved or a redraw was asked for; an idle tick takes no lock.
// Exit processing runs once, on one thread, whichever thread asks for it.
#include "viewer/Startup.h"

#include <GL/glut.h>

#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "console/CommandOutcome.h"
#include "console/Console.h"
#include "console/RecoverCommand.h"
#include "paint/PaintSession.h"
#include "paint/brush/BrushModel.h"
#include "scene/ModelListLock.h"
#include "scene/RedrawRequest.h"
#include "scene/SceneState.h"
#include "viewer/Input.h"
#include "viewer/ModelPasses.h"
#include "viewer/Render.h"
#include "viewer/WindowState.h"

namespace {

// How long exit processing waits for a frame or a command to let go of the
// model list before it goes on regardless.
const int kListHoldSeconds = 5;

// A model moved on the last tick, so the next tick steps the models again.
bool models_moving = false;

// The console has ended and left exit processing to the window thread.
std::atomic<bool> exit_requested = false;
// The status a headless run ends with, decided when the console ends; -1
// before, when any other ending (GLUT giving up, say) is by the signal.
std::atomic<int> headless_status = -1;

// Claims the ending of the process for the calling thread: true if no other
// thread has claimed it (or this one already has). A thread that gets false
// must not run exit processing.
bool claimProcessEnd() {
    static std::atomic<bool> claimed = false;
    thread_local bool claimed_here = false;
    if (!claimed_here && !claimed.exchange(true))
        claimed_here = true;
    return claimed_here;
}

[[noreturn]] void waitForTheEnd() {
    for (;;)
        pause();
}

// The first frame shows the window; the console starts after it.
void firstFrame() {
    display();
    glutDisplayFunc(display);
    startConsole();
}

}  // namespace

// Lines typed ahead or piped in run as soon as the console starts, so it
// starts only when everything they may touch exists and the first frame is
// drawn; any ending of the process from then on goes through exitCode.
void startConsole() {
    static bool started = false;
    if (started)
        return;
    started = true;
    pthread_t console_thread;
    static ConsoleEnd end = endProcess;
    const int rc = pthread_create(&console_thread, nullptr, enterConsoleLoop, &end);
    if (rc != 0) {
        errno = rc;  // pthread calls return their error; perror reads errno
        std::perror("thread error: ");
    }
}

void initModels() {
    // The brush and the paint session live until the process ends; painting,
    // picking and undo rely on them. Every change to the list is made under the lock.
    BrushModel* made = new BrushModel("brush");
    PaintSession* session = new PaintSession(PaintSession::limitFromEnvironment());
    {
        ModelListLock lock;
        brush = made;
        paint_session = session;
        paint_recorder = session;
        models["brush"] = brush;
        current_model = brush;
    }
    // Paint from here on is journaled, so a crash does not take it along.
    startRecoveryJournal();
}

void initMatrices() {
    Matrix4fSetIdentity(&window_state.transformMatrix);
    Matrix3fSetIdentity(&window_state.lastRotation);
    Matrix3fSetIdentity(&window_state.currentRotation);
}

void openWindow(const char* program, int width, int height) {
    // GLUT sees the program's name alone: the command line is Velmora's, and
    // GLUT would take and drop words it knows (-display, -geometry) unseen.
    int argc = 1;
    char* argv[] = {const_cast<char*>(program), nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(width, height);
    glutInitWindowPosition(510, 10);
    glutCreateWindow("Daubry");
    initContextState();

    glutDisplayFunc(firstFrame);
    glutReshapeFunc(reshapeCallback);
    glutKeyboardFunc(keyCallback);
    glutMouseFunc(mouseCallback);
    glutMotionFunc(mouseMotionCallback);
}

void initContextState() {
    glEnable(GL_DEPTH_TEST);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
}

bool timerTick() {
    if (exit_requested)
        std::exit(headless_status >= 0 ? headless_status.load() : 0);
    startConsole();  // in case the window is not shown (started iconic)
    // A command may have set a model moving, so a request steps them too.
    const bool asked = takeRedrawRequest();
    bool moved = false;
    if (asked || models_moving) {
        ModelListLock lock("timer - mutex lock error", "timer - mutex unlock error", ModelListLock::kPerror);
        moved = stepModels();
    }
    models_moving = moved;
    return asked || moved;
}

void timerCallback(int) {
    const bool draw = timerTick();
    glutTimerFunc(1000 / kTicksPerSecond, timerCallback, 0);
    if (draw)
        glutPostRedisplay();
}

void setRunStatus(int status) {
    headless_status = status;
}

void endProcess() {
    if (headless_run) {
        // Whether every command succeeded is the whole result of a run nobody watches.
        headless_status = CommandOutcome::exitStatus();
        const std::string failure = CommandOutcome::firstFailure();
        if (!failure.empty())
            std::fprintf(stderr, "%s\n", failure.c_str());
    }
    struct sigaction interrupt;
    const bool ignored = sigaction(SIGINT, nullptr, &interrupt) == 0 && interrupt.sa_handler == SIG_IGN;
    if (ignored)
        exit_requested = true;
    else if (claimProcessEnd())
        std::exit(headless_status >= 0 ? headless_status.load() : 0);
    waitForTheEnd();
}

void exitCode() {
    static bool ran = false;  // only the claiming thread gets past the claim
    if (!claimProcessEnd())
        waitForTheEnd();  // another thread is ending the process
    if (ran)
        return;
    ran = true;
    quit = true;
    // When the window is closed, readline may still be waiting for a line on
    // the console thread, with the terminal in raw mode: the terminal is
    // handed back first.
    releaseConsole();
    std::fclose(stdin);
    // Ending normally leaves nothing to recover.
    endRecoveryJournal();
    if (headless_status >= 0) {
        // Ends as the signal would, without the other exit handlers and the
        // global destructors, but with the status the run earned.
        std::fflush(nullptr);
        std::_Exit(headless_status);
    }
    // The process ends here, so the global destructors never run under a
    // live window thread.
    std::raise(SIGINT);
    // Only an interrupt signal ignored from the start gets here: exit
    // processing goes on and destroys the shared maps.
    // Keeps the window's callbacks and the console's commands off the shared
    // state while exit processing destroys it.
    ModelListLock::holdForExit(kListHoldSeconds);
}
