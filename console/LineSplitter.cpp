// Line splitting for the console: no quoting, no escapes, no comments; words
// past the tenth argument are dropped.
#include "console/LineSplitter.h"

#include <cstring>

char* splitLine(char* line, char** args) {
    static const char kDelimiters[] = " \n\t";
    char* save = nullptr;
    char* cmd = strtok_r(line, kDelimiters, &save);
    int count = 0;
    if (cmd) {
        while (count < arg_max) {
            char* word = strtok_r(nullptr, kDelimiters, &save);
            if (!word)
                break;
            args[count++] = word;
        }
    }
    args[count] = nullptr;
    return cmd;
}
