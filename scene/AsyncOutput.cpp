// The queue between the window thread's messages and the console's prompt.
// Output is queued only while readline holds a terminal line; otherwise it is
// written at once, so piped sessions print in the order they always have.
// A pipe wakes the console thread, which waits on it beside its input.
#include "scene/AsyncOutput.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdarg>
#include <mutex>

namespace {

std::mutex queue_mutex;
std::vector<AsyncOutput::Message> queued;  // under queue_mutex, as are the three below
bool reading = false;
bool queue_stdout = false;
bool queue_stderr = false;
int wake_read = -1;
int wake_write = -1;

bool queues(FILE* stream) {
    return reading && ((stream == stdout && queue_stdout) || (stream == stderr && queue_stderr));
}

void drainWakePipe() {
    char bytes[64];
    while (wake_read >= 0 && ::read(wake_read, bytes, sizeof bytes) > 0) {
    }
}

}  // namespace

void AsyncOutput::write(FILE* stream, const std::string& text) {
    if (text.empty())
        return;
    std::lock_guard<std::mutex> lock(queue_mutex);
    if (!queues(stream)) {
        std::fputs(text.c_str(), stream);
        return;
    }
    queued.emplace_back(stream, text);
    const char wake = 1;
    // A full pipe already holds a wake-up the console has not taken.
    if (::write(wake_write, &wake, 1) < 0) {
    }
}

void AsyncOutput::printf(FILE* stream, const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
    if (length > 0)
        std::vsnprintf(&text[0], text.size() + 1, format, again);
    va_end(again);
    write(stream, text);
}

int AsyncOutput::startQueueing() {
    std::lock_guard<std::mutex> lock(queue_mutex);
    if (wake_read < 0) {
        int ends[2];
        if (::pipe2(ends, O_NONBLOCK | O_CLOEXEC) != 0)
            return -1;
        wake_read = ends[0];
        wake_write = ends[1];
    }
    queue_stdout = ::isatty(STDOUT_FILENO) == 1;
    queue_stderr = ::isatty(STDERR_FILENO) == 1;
    return wake_read;
}

void AsyncOutput::setReading(bool now) {
    std::lock_guard<std::mutex> lock(queue_mutex);
    reading = now;
    if (now)
        return;
    drainWakePipe();
    for (const Message& message : queued)
        std::fputs(message.second.c_str(), message.first);
    queued.clear();
}

std::vector<AsyncOutput::Message> AsyncOutput::take() {
    std::lock_guard<std::mutex> lock(queue_mutex);
    drainWakePipe();
    std::vector<Message> messages;
    messages.swap(queued);
    return messages;
}
