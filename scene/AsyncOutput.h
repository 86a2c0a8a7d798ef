// Messages the window thread prints while the console may be reading a line
// on a terminal: they are handed to the console thread, which alone touches
// readline, to be shown above the line being typed.
#pragma once

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

class AsyncOutput {
public:
    using Message = std::pair<FILE*, std::string>;

    // Any thread: writes text to stream at once, or queues it while the
    // console is reading a line and stream is a terminal.
    static void write(FILE* stream, const std::string& text);
    static void printf(FILE* stream, const char* format, ...) __attribute__((format(printf, 2, 3)));

    // Console thread, once: from now on output to whichever of stdout and
    // stderr is a terminal may be queued. Returns a descriptor that turns
    // readable whenever something is queued, or -1 when nothing can be.
    static int startQueueing();
    // Console thread: whether readline holds the line now. Leaving it prints
    // whatever is still queued, in order, as the window thread gave it.
    static void setReading(bool reading);
    // Console thread: what is queued, oldest first; empties the queue.
    static std::vector<Message> take();
};
