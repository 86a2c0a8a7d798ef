// The console thread. It reads lines with readline, keeps them in the history,
// splits them and runs their handlers; it ends the process with exit(0) once
// `quit` is set, by a command or by the end of input.
#include "console/Console.h"

#include <readline/history.h>
#include <readline/readline.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "console/Commands.h"
#include "console/LineSplitter.h"
#include "viewer/ModelListLock.h"
#include "viewer/SceneState.h"

void* enterConsoleLoop(void*) {
    initializeReadline();
    consoleInput();
    std::exit(0);
}

void initializeReadline() {
    rl_readline_name = "Velmora";
    rl_attempted_completion_function = completer;
    rl_set_signals();
    registerCommands();
}

void releaseConsole() {
    if (rl_deprep_term_function)
        rl_deprep_term_function();
    std::signal(SIGINT, SIG_DFL);
}

void consoleInput() {
    char* line = nullptr;
    while (!quit) {
        std::free(line);
        line = readline(">");
        if (!line) {
            // End of input ends the console just as quit does; asking again
            // would only spin on a closed terminal or pipe.
            quit = true;
            break;
        }
        executeLine(line);
    }
    std::free(line);
}

void executeLine(char* line) {
    if (!line || line[0] == '\0')
        return;
    add_history(line);

    char* args[arg_max + 1];
    char* cmd = splitLine(line, args);
    if (!cmd)
        return;

    auto it = commandMap.find(cmd);
    if (it == commandMap.end()) {
        std::printf("command not found: %s\n", cmd);
        return;
    }
    it->second(args);
}

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
    if (callCount == 0) {
        std::free(param_list);
        param_list = nullptr;
        param_count = 0;
        // The names stay the model's: copy each match before the lock is let go.
        ModelListLock lock("completion - mutex lock error", "completion - mutex unlock error", ModelListLock::PERROR);
        if (current_model) {
            param_list = current_model->getAttributeNames();
            param_count = current_model->getAttributeCount();
        }
        index = 0;
    } else {
        ++index;
    }
    ModelListLock lock("completion - mutex lock error", "completion - mutex unlock error", ModelListLock::PERROR);
    const size_t len = std::strlen(word);
    while (index < param_count && std::strncmp(param_list[index], word, len) != 0)
        ++index;
    if (index >= param_count)
        return nullptr;
    return strdup(param_list[index]);
}
