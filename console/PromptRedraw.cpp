// Readline is not thread-safe, so the window thread never touches it: its
// messages wait in AsyncOutput while a line is read, and this unit, running
// inside readline on the console thread as its key reader, wakes on them,
// takes the prompt and typed text off the screen, prints them and redraws.
#include "console/PromptRedraw.h"

#include <poll.h>
#include <unistd.h>

#include <readline/readline.h>

#include <cerrno>
#include <cstdio>

#include "scene/AsyncOutput.h"

namespace {

int wake_fd = -1;  // console thread only

void showQueued() {
    const std::vector<AsyncOutput::Message> messages = AsyncOutput::take();
    if (messages.empty())
        return;
    rl_clear_visible_line();
    std::fflush(rl_outstream);
    for (const AsyncOutput::Message& message : messages) {
        std::fputs(message.second.c_str(), message.first);
        std::fflush(message.first);
    }
    rl_on_new_line();
    rl_redisplay();
}

[[noreturn]] void waitForTheEnd() {
    for (;;)
        ::pause();
}

// Readline's key reader: a key, or any queued message shown first.
int waitForKey(FILE* stream) {
    for (;;) {
        showQueued();
        const int input = fileno(stream);
        pollfd fds[2] = {{input, POLLIN, 0}, {wake_fd, POLLIN, 0}};
        // Only exit processing closes the input under a line being read, and
        // it ends the process: wait for that end, as a read blocked on the
        // input did, rather than hand readline a stream that is gone.
        if (input < 0)
            waitForTheEnd();
        // A signal (a resized window) only interrupts the wait; readline
        // handles it with the next key it reads.
        if (::poll(fds, 2, -1) < 0 && errno != EINTR)
            return rl_getc(stream);
        if ((fds[0].revents & POLLNVAL) != 0)
            waitForTheEnd();
        if (fds[0].revents != 0)
            return rl_getc(stream);
    }
}

}  // namespace

void PromptRedraw::install() {
    if (::isatty(STDIN_FILENO) != 1 || ::isatty(STDOUT_FILENO) != 1)
        return;
    wake_fd = AsyncOutput::startQueueing();
    if (wake_fd >= 0)
        rl_getc_function = waitForKey;
}

char* PromptRedraw::readLine(const char* prompt) {
    AsyncOutput::setReading(wake_fd >= 0);
    char* line = readline(prompt);
    AsyncOutput::setReading(false);
    return line;
}
