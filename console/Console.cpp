// The console thread. Start-up starts it last, once the window and everything
// its commands rely on exist; it sets up readline, opens the command line's
// models and runs its files, reads lines and runs them, and ends the process
// once `quit` is set, by a command or by the end of input. The terminal it
// hands readline is given back by any signal that ends the process.
#include "console/Console.h"

#include <readline/history.h>
#include <readline/readline.h>

#include <cstdlib>
#include <string>

#include "console/CommandOutcome.h"
#include "console/CommandTable.h"
#include "console/Completion.h"
#include "console/PromptRedraw.h"
#include "console/StartupCommands.h"
#include "console/TerminalSignals.h"
#include "scene/SceneState.h"

namespace {

void initializeReadline() {
    rl_readline_name = "Velmora";
    rl_attempted_completion_function = completer;
    // Readline would act on a signal only at the next keystroke, and only on
    // this thread; the terminal guard acts on it at once.
    rl_catch_signals = 0;
    rl_set_signals();
    PromptRedraw::install();
    registerCommands();
}

void consoleInput() {
    char* line = nullptr;
    for (int number = 1; !quit; ++number) {
        std::free(line);
        line = PromptRedraw::readLine(">");
        if (!line) {
            // End of input ends the console just as quit does; asking again
            // would only spin on a closed terminal or pipe.
            quit = true;
            break;
        }
        const CommandOutcome::Running running("line " + std::to_string(number), line);
        executeLine(line);
    }
    std::free(line);
}

}  // namespace

void* enterConsoleLoop(void* endHook) {
    guardTerminal();
    initializeReadline();
    // The command line's models and files first, so their output comes before the first prompt.
    StartupCommands::run();
    consoleInput();
    (*static_cast<ConsoleEnd*>(endHook))();
    return nullptr;
}

void releaseConsole() {
    if (rl_deprep_term_function)
        rl_deprep_term_function();
}
