// The record of failed commands. Only the console thread runs commands, so
// the lines being run are kept per thread and a message printed on the window
// thread never counts; the first failure is all a run's end needs to report.
#include "console/CommandOutcome.h"

#include <cstdarg>
#include <mutex>
#include <utility>
#include <vector>

namespace {

struct Line {
    std::string where;
    std::string text;
};

thread_local std::vector<Line> running;

std::mutex failure_mutex;
bool any_failed = false;
Line first_failure;

}  // namespace

CommandOutcome::Running::Running(std::string where, const char* text) {
    std::string line = text ? text : "";
    // Lines from files keep their newline; the report shows the command alone.
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    running.push_back({std::move(where), std::move(line)});
}

CommandOutcome::Running::~Running() {
    running.pop_back();
}

void CommandOutcome::failed() {
    if (running.empty())
        return;
    std::lock_guard<std::mutex> lock(failure_mutex);
    if (!any_failed)
        first_failure = running.back();
    any_failed = true;
}

void CommandOutcome::report(std::FILE* stream, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::vfprintf(stream, format, args);
    va_end(args);
    failed();
}

int CommandOutcome::exitStatus() {
    std::lock_guard<std::mutex> lock(failure_mutex);
    return any_failed ? 1 : 0;
}

std::string CommandOutcome::firstFailure() {
    std::lock_guard<std::mutex> lock(failure_mutex);
    if (!any_failed)
        return std::string();
    return "velmora: first failing command (" + first_failure.where + "): " + first_failure.text;
}

void CommandOutcome::forget() {
    std::lock_guard<std::mutex> lock(failure_mutex);
    any_failed = false;
    first_failure = Line();
}
