// Splits a console line in place into a command word and its argument words.
#pragma once

// The greatest number of argument words a handler receives.
const int arg_max = 10;

// Cuts `line` at blanks, tabs and newlines. Returns the command word (null
// when the line holds no word) and fills `args` with at most arg_max words
// followed by a null pointer; `args` must hold arg_max + 1 entries.
char* splitLine(char* line, char** args);
