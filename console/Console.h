// The console thread: readline set-up, the read loop, line execution and
// completion over command names, file names and attribute names.
#pragma once

void* enterConsoleLoop(void* unused);
void initializeReadline();
void consoleInput();
void executeLine(char* line);
char** completer(const char* word, int start, int end);
char* commandCompletion(const char* word, int callCount);
char* paramCompletion(const char* word, int callCount);
// At process exit: gives the terminal back and takes readline's handler off
// the interrupt signal, whether or not a line is being read.
void releaseConsole();
