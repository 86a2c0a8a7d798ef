// Tab completion that follows the line: command names first, then what the
// command takes at that word (its sub-words, classes, models, scripts, poses,
// schemes, skin numbers, files or the current model's attribute names).
#pragma once

// Readline's attempted-completion function; returns readline's match array or null.
char** completer(const char* word, int start, int end);
// Readline generators: callCount 0 starts an attempt; each call returns the
// next match as a malloc'd copy, or null when none is left.
char* commandCompletion(const char* word, int callCount);
char* paramCompletion(const char* word, int callCount);
