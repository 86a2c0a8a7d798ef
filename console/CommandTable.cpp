// The command table and line execution. Every line, typed or read from a
// command file, goes into the history and then to its command's handler;
// every command run asks the window for a frame.
#include "console/CommandTable.h"

#include <readline/history.h>

#include <cstdio>

#include "console/CommandOutcome.h"
#include "console/Commands.h"
#include "console/LineSplitter.h"
#include "scene/RedrawRequest.h"

std::map<char*, command_handler, cmp_str> commandMap;

namespace {

void addCommand(const char* name, command_handler handler) {
    commandMap[const_cast<char*>(name)] = handler;
}

}  // namespace

void registerCommands() {
    addCommand("add", cmd_add);
    addCommand("animate", cmd_animate);
    addCommand("delete", cmd_delete);
    addCommand("exec", cmd_exec);
    addCommand("exit", cmd_quit);
    addCommand("get", cmd_get);
    addCommand("help", cmd_help);
    addCommand("list", cmd_list);
    addCommand("load", cmd_load);
    addCommand("loadclass", cmd_loadclass);
    addCommand("new", cmd_new);
    addCommand("paint", cmd_paint);
    addCommand("pick", cmd_pick);
    addCommand("quit", cmd_quit);
    addCommand("recover", cmd_recover);
    addCommand("redo", cmd_redo);
    addCommand("save", cmd_save);
    addCommand("select", cmd_select);
    addCommand("set", cmd_set);
    addCommand("speed_control", cmd_speed_control);
    addCommand("toggle", cmd_toggle);
    addCommand("undo", cmd_undo);
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
        CommandOutcome::report(stdout, "command not found: %s\n", cmd);
        return;
    }
    it->second(args);
    // The window draws only when asked; whatever the command changed shows.
    requestRedraw();
}
