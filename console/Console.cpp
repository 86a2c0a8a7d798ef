// The console thread. It sets up readline, reads lines and runs them; it
// ends the process with exit(0) once `quit` is set, by a command or by the
// end of input.
#include "console/Console.h"

#include <readline/history.h>
#include <readline/readline.h>

#include <csignal>
#include <cstdlib>

#include "console/CommandTable.h"
#include "console/Completion.h"
#include "viewer/SceneState.h"

namespace {

void initializeReadline() {
    rl_readline_name = "Velmora";
    rl_attempted_completion_function = completer;
    rl_set_signals();
    registerCommands();
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

}  // namespace

void* enterConsoleLoop(void*) {
    initializeReadline();
    consoleInput();
    std::exit(0);
}

void releaseConsole() {
    if (rl_deprep_term_function)
        rl_deprep_term_function();
    std::signal(SIGINT, SIG_DFL);
}
