// The command table and the console's own commands: help, quit/exit, exec.
#include <cstdio>
#include <cstring>

#include "console/Commands.h"
#include "console/Console.h"
#include "viewer/SceneState.h"

namespace {

const int kExecBufferSize = 255;
int exec_depth = 0;

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
    addCommand("quit", cmd_quit);
    addCommand("save", cmd_save);
    addCommand("select", cmd_select);
    addCommand("set", cmd_set);
    addCommand("speed_control", cmd_speed_control);
    addCommand("toggle", cmd_toggle);
}

void cmd_help(char**) {
    std::printf("available commands:\n");
    for (const auto& entry : commandMap)
        std::printf("%s, ", entry.first);
    std::printf("\n");
}

void cmd_quit(char**) {
    quit = true;
}

void cmd_exec(char** args) {
    if (!args[0]) {
        std::puts("usage: exec <filename>");
        return;
    }
    if (exec_depth >= exec_max_depth) {
        std::printf("exec: too many nested files, not running '%s'\n", args[0]);
        return;
    }
    FILE* file = std::fopen(args[0], "r");
    if (!file) {
        std::perror("error executing file");
        return;
    }
    ++exec_depth;
    // A line longer than the buffer arrives in pieces, each run as a line.
    char buf[kExecBufferSize];
    while (std::fgets(buf, sizeof buf, file) && buf[0] != '\0')
        executeLine(buf);
    --exec_depth;
    std::fclose(file);
}
