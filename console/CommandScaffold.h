// What command handlers share: work on the current model with the model-list
// mutex held, and the choice of a sub-command by its word.
#pragma once

#include <cstdio>
#include <cstring>

#include "console/CommandOutcome.h"
#include "model/AnimatedModel.h"
#include "scene/ModelListLock.h"
#include "scene/SceneState.h"

// What commands that act on the current model say when there is none.
inline constexpr char kNoModel[] VELMORA_HIDDEN = "no model selected";

// Runs body(model) on the current model with the model-list mutex held, or
// prints kNoModel when there is none. The body must not take the mutex again.
template <typename Body>
void withCurrentModel(Body&& body) {
    ModelListLock lock;
    if (!current_model) {
        CommandOutcome::report(stdout, "%s\n", kNoModel);
        return;
    }
    body(*current_model);
}

// One sub-word of a command and its handler, which receives the command's
// whole argument array (the sub-word first).
struct SubCommand {
    const char* word;
    void (*run)(char** args);
};

// A sub-command table as a whole, so that others (completion) can read the
// words a command dispatches with.
struct SubCommandTable {
    const SubCommand* entries;
    size_t count;
};

template <size_t N>
constexpr SubCommandTable tableOf(const SubCommand (&table)[N]) {
    return {table, N};
}

// Runs the handler whose word is args[0] (exact, case-sensitive match, the
// table searched in order); false when there is no such word.
template <size_t N>
bool runSubCommand(const SubCommand (&table)[N], char** args) {
    for (const SubCommand& entry : table) {
        if (std::strcmp(entry.word, args[0]) == 0) {
            entry.run(args);
            return true;
        }
    }
    return false;
}
