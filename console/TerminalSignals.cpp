// Signals that end or stop the process while readline holds the terminal in
// raw mode. Readline's own handlers only act at the next keystroke, and only
// on its own thread, so these handlers act at once on whichever thread the
// signal reaches, using nothing but async-signal-safe calls.
#include "console/TerminalSignals.h"

#include <pthread.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>

namespace {

// Signals whose default action ends the process, and the ones that stop it.
const int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGALRM};
const int kStoppingSignals[] = {SIGTSTP};

std::atomic<bool (*)(int)> ending_hook{nullptr};
static_assert(std::atomic<bool (*)(int)>::is_always_lock_free);

termios saved_settings;
std::atomic<bool> settings_saved = false;
static_assert(std::atomic<bool>::is_always_lock_free);

void install(int signum, void (*handler)(int)) {
    struct sigaction old;
    if (sigaction(signum, nullptr, &old) != 0 || old.sa_handler == SIG_IGN)
        return;
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    sigaction(signum, &action, nullptr);
}

// Lets a signal that is blocked in its own handler take its default course.
void takeDefaultCourse(int signum) {
    std::signal(signum, SIG_DFL);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signum);
    raise(signum);
    pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
}

void onEndingSignal(int signum) {
    restoreTerminal();
    const int saved_errno = errno;
    bool (*hook)(int) = ending_hook.load();
    if ((signum == SIGTERM || signum == SIGHUP) && hook && hook(signum)) {
        errno = saved_errno;
        return;  // the hook ends the process once it is done
    }
    takeDefaultCourse(signum);
}

// The process stops with the terminal as it was given, and takes it back in
// readline's settings when it is continued.
void onStoppingSignal(int signum) {
    const int saved_errno = errno;
    termios reading;
    const bool had_terminal = tcgetattr(STDIN_FILENO, &reading) == 0;
    restoreTerminal();
    takeDefaultCourse(signum);
    install(signum, onStoppingSignal);
    if (had_terminal)
        tcsetattr(STDIN_FILENO, TCSANOW, &reading);
    errno = saved_errno;
}

}  // namespace

void guardTerminal() {
    if (tcgetattr(STDIN_FILENO, &saved_settings) == 0)
        settings_saved = true;
    for (int signum : kEndingSignals)
        install(signum, onEndingSignal);
    for (int signum : kStoppingSignals)
        install(signum, onStoppingSignal);
}

void restoreTerminal() {
    if (!settings_saved)
        return;
    const int saved_errno = errno;
    tcsetattr(STDIN_FILENO, TCSANOW, &saved_settings);
    errno = saved_errno;
}

void setEndingSignalHook(bool (*hook)(int)) {
    ending_hook = hook;
}

void endBySignal(int signum) {
    restoreTerminal();
    takeDefaultCourse(signum);
    _exit(128 + signum);  // only if the signal could not end it
}
