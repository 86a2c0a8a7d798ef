// Setting and reading attributes and viewer settings: set, get and toggle.
// Attribute work on the current model runs under the model-list mutex; the
// viewer settings and display flags are atomics the window thread reads at
// its next key press or frame, so they are written without it.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "console/ChoiceWords.h"
#include "console/CommandOutcome.h"
#include "console/CommandScaffold.h"
#include "console/Commands.h"
#include "console/NumberWords.h"

namespace {

// Colour words may be given as 0..1 or as 0..255; anything above 1 is a byte.
// All three words are read before any is stored, so one bad word changes nothing.
bool readColour(char** words, double (&colour)[3]) {
    for (int i = 0; i < 3; ++i) {
        if (!parseNumber(words[i], colour[i]))
            return false;
        if (colour[i] > 1)
            colour[i] /= 255;
    }
    return true;
}

const char* stateWord(bool on) {
    return on ? "enabled" : "disabled";
}

// Only the console writes these flags, so a load and a store are enough.
bool flip(std::atomic<bool>& flag) {
    const bool now = !flag.load();
    flag.store(now);
    return now;
}

// The forms of `set`: the settings, or else an attribute of the current model.
void setControlStep(char** args) {
    double step = 0;
    if (parseNumber(args[1], step))
        control_step = step;
}

void setBackgroundColor(char** args) {
    if (!args[2] || !args[3]) {
        CommandOutcome::report(stdout, "usage: set background_color <red> <green> <blue>\n");
        return;
    }
    double colour[3];
    if (!readColour(args + 1, colour))
        return;
    for (int i = 0; i < 3; ++i)
        background_color[i] = colour[i];
}

void setHandleColor(char** args) {
    if (!args[2] || !args[3]) {
        CommandOutcome::report(stdout, "usage: set handle_color <red> <green> <blue>\n");
        return;
    }
    double colour[3];
    if (!readColour(args + 1, colour))
        return;
    for (int i = 0; i < 3; ++i)
        handle_color[i] = static_cast<GLfloat>(colour[i]);
}

void setAttribute(const char* name, const char* value_word) {
    double value = 0;
    if (!parseNumber(value_word, value))
        return;
    withCurrentModel([&](AnimatedModel& model) {
        const int result = model.setAttribute(name, value);
        if (result < 0) {
            CommandOutcome::report(stdout, "no such attribute: %s\n", name);
        } else if (result > 0) {
            CommandOutcome::report(stdout, "param out of bounds: %s%s\n", value_word,
                                   ChoiceWords::allowedRange(model, name).c_str());
        }
    });
}

// The forms of `toggle`.
void toggleHandles(char**) {
    withCurrentModel([](AnimatedModel& model) {
        if (model.hasHandles()) {
            std::printf("handles %s\n", stateWord(model.toggleHandles()));
            return;
        }
        // Named by its key in the model list, the name the user gave it.
        const char* name = "";
        for (const auto& entry : models)
            if (entry.second == &model)
                name = entry.first;
        CommandOutcome::report(stdout, "model '%s' has no handles\n", name);
    });
}

void toggleGameMode(char**) {
    std::printf("gamemode %s\n", stateWord(flip(game_mode)));
}

void toggleFPS(char**) {
    std::printf("fps %s\n", stateWord(flip(showFPS)));
}

void togglePos(char**) {
    std::printf("pos %s\n", stateWord(flip(showPos)));
}

void togglePainting(char**) {
    std::printf("paint mode %s\n", stateWord(flip(painting)));
}

void toggleSurface(char**) {
    std::printf("surface %s\n", stateWord(flip(surface_painting)));
}

// The setting names come first, so no attribute of these names can be set.
const SubCommand kSettings[] = {
    {"control_step", setControlStep}, {"background_color", setBackgroundColor}, {"handle_color", setHandleColor}};
const SubCommand kToggleForms[] = {{"handles", toggleHandles},   {"gamemode", toggleGameMode},
                                   {"fps", toggleFPS},           {"pos", togglePos},
                                   {"painting", togglePainting}, {"surface", toggleSurface}};

}  // namespace

SubCommandTable toggleForms() {
    return tableOf(kToggleForms);
}

void cmd_set(char** args) {
    if (!args[0] || !args[1]) {
        CommandOutcome::report(stdout, "usage: set <param> <value>\n");
        return;
    }
    if (!runSubCommand(kSettings, args))
        setAttribute(args[0], args[1]);
}

void cmd_get(char** args) {
    if (!args[0]) {
        CommandOutcome::report(stdout, "usage: get <param>\n");
        return;
    }
    withCurrentModel([&](AnimatedModel& model) {
        if (std::strcmp(args[0], "all") == 0) {
            const char** names = model.getAttributeNames();
            const int count = names ? model.getAttributeCount() : 0;
            for (int i = 0; i < count; ++i)
                std::printf("  %s: %f\n", names[i], model.getAttribute(names[i]));
            std::free(names);
        } else if (model.hasAttribute(args[0])) {
            std::printf("  %s: %f\n", args[0], model.getAttribute(args[0]));
        } else {
            CommandOutcome::report(stdout, "no such attribute: '%s'\n", args[0]);
        }
    });
}

void cmd_toggle(char** args) {
    if (!args[0]) {
        CommandOutcome::report(stdout, "usage: toggle handles|gamemode|fps|pos|painting|surface\n");
        return;
    }
    // The usage for an unknown word leaves painting out; it is the one users have always seen here.
    if (!runSubCommand(kToggleForms, args))
        CommandOutcome::report(stdout, "usage: toggle handles|gamemode|fps|pos\n");
}
