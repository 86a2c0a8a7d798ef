// Completion for the console. Each generator keeps its place between the
// calls of one attempt and starts over when readline begins the next one;
// attribute names are read from the current model under the model-list mutex.
#include "console/Completion.h"

#include <readline/readline.h>

#include <cstdlib>
#include <cstring>

#include "console/CommandTable.h"
#include "viewer/ModelListLock.h"
#include "viewer/SceneState.h"

char** completer(const char* word, int start, int) {
    char** matches;
    if (start == 0) {
        matches = rl_completion_matches(word, commandCompletion);
    } else if (std::strncmp(rl_line_buffer, "save", 4) == 0 || std::strncmp(rl_line_buffer, "load", 4) == 0 ||
               std::strncmp(rl_line_buffer, "exec", 4) == 0) {
        matches = rl_completion_matches(word, rl_filename_completion_function);
    } else {
        matches = rl_completion_matches(word, paramCompletion);
    }
    rl_attempted_completion_over = 1;
    return matches;
}

char* commandCompletion(const char* word, int callCount) {
    static auto it = commandMap.end();
    if (callCount == 0) {
        it = commandMap.begin();
    } else if (it != commandMap.end()) {
        ++it;
    }
    const size_t len = std::strlen(word);
    while (it != commandMap.end() && std::strncmp(it->first, word, len) != 0)
        ++it;
    if (it == commandMap.end())
        return nullptr;
    return strdup(it->first);
}

char* paramCompletion(const char* word, int callCount) {
    static const char** param_list = nullptr;
    static int param_count = 0;
    static int index = 0;
    // The names stay the model's: each match is copied before the lock is let go.
    ModelListLock lock;
    if (callCount == 0) {
        std::free(param_list);
        param_list = nullptr;
        param_count = 0;
        if (current_model) {
            param_list = current_model->getAttributeNames();
            param_count = param_list ? current_model->getAttributeCount() : 0;
        }
        index = 0;
    } else {
        ++index;
    }
    const size_t len = std::strlen(word);
    while (index < param_count && std::strncmp(param_list[index], word, len) != 0)
        ++index;
    if (index >= param_count)
        return nullptr;
    return strdup(param_list[index]);
}
