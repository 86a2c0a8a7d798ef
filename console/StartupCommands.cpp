// The models and command files of the command line, run on the console thread
// through the very handlers the typed commands use, so their messages, the
// names models get and the current model are those of the typed commands.
#include "console/StartupCommands.h"

#include <cstdio>
#include <utility>

#include "console/CommandOutcome.h"
#include "console/Commands.h"
#include "plugins/ModelFileClass.h"
#include "scene/RedrawRequest.h"

namespace {

// Where a failure of these counts in the report at the end of a run.
const char kWhere[] = "command line";

std::vector<std::string> model_paths;
std::vector<std::string> exec_files;

void openModel(const std::string& path) {
    ModelFileClass::Choice choice = ModelFileClass::of(path);
    if (choice.classWord.empty()) {
        const CommandOutcome::Running running(kWhere, path.c_str());
        std::fprintf(stderr, "%s: not a model Velmora can open\n", path.c_str());
        CommandOutcome::failed();
        return;
    }
    std::string words[3] = {"model", choice.classWord, choice.path};
    const std::string line = "new " + words[0] + " " + words[1] + " " + words[2];
    const CommandOutcome::Running running(kWhere, line.c_str());
    // Without a third word the name is the path, as `new model <class> <path>` names it.
    char* args[4] = {&words[0][0], &words[1][0], &words[2][0], nullptr};
    cmd_new(args);
    requestRedraw();
}

void runFile(std::string file) {
    const std::string line = "exec " + file;
    const CommandOutcome::Running running(kWhere, line.c_str());
    char* args[2] = {&file[0], nullptr};
    cmd_exec(args);
    requestRedraw();
}

}  // namespace

void StartupCommands::set(std::vector<std::string> models, std::vector<std::string> execFiles) {
    model_paths = std::move(models);
    exec_files = std::move(execFiles);
}

void StartupCommands::run() {
    for (const std::string& path : model_paths)
        openModel(path);
    for (const std::string& file : exec_files)
        runFile(file);
}
