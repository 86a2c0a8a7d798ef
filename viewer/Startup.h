// Start-up pieces that main() calls in order, the timer tick and the exit
// handler.
#pragma once

void initModels();
void initMatrices();
// Opens the window of that size; GLUT is handed no command-line words.
void openWindow(const char* program, int width, int height);
void timerCallback(int value);
// The exit handler. Registered more than once; only its first call acts.
void exitCode();
// The console thread's end: exit(0), through exitCode; a headless run exits
// with CommandOutcome's status instead, after naming the first failing line.
// Exit processing never runs beside a live window thread: where exitCode
// would not end the process (the interrupt signal is ignored), the window
// thread is asked to exit instead. The caller waits for the process to end.
[[noreturn]] void endProcess();
