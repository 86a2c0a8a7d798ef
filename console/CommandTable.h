// The command table and the running of one line: the first word picks the
// handler, which receives the other words.
#pragma once

#include <map>

#include "model/ModelTypes.h"
#include "scene/Visibility.h"

typedef void (*command_handler)(char** args);

// Every command name with its handler, in strcmp order; filled once.
extern std::map<char*, command_handler, cmp_str> commandMap VELMORA_HIDDEN;

void registerCommands();
// Splits `line` in place and runs its command; null and empty lines do
// nothing and stay out of the history.
void executeLine(char* line);
