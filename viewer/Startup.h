// Start-up pieces that main() calls in order, the timer tick and the exit
// handler.
#pragma once

void initModels();
void initMatrices();
// Opens the window of that size; GLUT is handed no command-line words.
void openWindow(const char* program, int width, int height);
// The GL state every frame relies on, set once on a fresh context.
void initContextState();
void timerCallback(int value);
// The work of one timer tick; true when it calls for a frame. Ends the
// process when the console left that to this thread.
bool timerTick();
// Starts the console thread, once, when the first frame has been drawn.
void startConsole();

// Timer ticks per second.
const int kTicksPerSecond = 50;
// The status a headless run ends with from here on, whatever its commands did.
void setRunStatus(int status);
// The exit handler. Registered more than once; only its first call acts.
void exitCode();
// The console thread's end: exit(0), through exitCode; a headless run exits
// with CommandOutcome's status instead, after naming the first failing line.
// Exit processing never runs beside a live window thread: where exitCode
// would not end the process (the interrupt signal is ignored), the window
// thread is asked to exit instead. The caller waits for the process to end.
[[noreturn]] void endProcess();
