// Tab completion: command names at the start of a line, file names after
// save, load and exec, the current model's attribute names elsewhere.
#pragma once

// Readline's attempted-completion function; returns readline's match array or null.
char** completer(const char* word, int start, int end);
// Readline generators: callCount 0 starts an attempt; each call returns the
// next match as a malloc'd copy, or null when none is left.
char* commandCompletion(const char* word, int callCount);
char* paramCompletion(const char* word, int callCount);
