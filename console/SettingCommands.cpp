// Setting and reading attributes and viewer settings: set, get and toggle.
// Attribute work on the current model runs under the model-list mutex; the
// viewer settings and display flags are plain values the window thread reads
// at its next frame, so they are written without it.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "console/Commands.h"
#include "viewer/ModelListLock.h"
#include "viewer/SceneState.h"

namespace {

// Colour words may be given as 0..1 or as 0..255; anything above 1 is a byte.
double colourComponent(const char* word) {
    const double value = std::strtod(word, nullptr);
    return value > 1 ? value / 255 : value;
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

void setAttribute(const char* name, const char* value_word) {
    const double value = std::strtod(value_word, nullptr);
    ModelListLock lock("set - mutex lock error", "set - mutex unlock error", ModelListLock::LINE);
    if (!current_model) {
        std::puts(kNoModel);
        return;
    }
    const int result = current_model->setAttribute(name, value);
    if (result < 0) {
        std::printf("no such attribute: %s\n", name);
    } else if (result > 0) {
        std::printf("param out of bounds: %s\n", value_word);
    }
}

void toggleHandles() {
    ModelListLock lock("toggle - mutex lock error", "toggle - mutex unlock error", ModelListLock::LINE);
    if (!current_model) {
        std::puts(kNoModel);
        return;
    }
    std::printf("handles %s\n", stateWord(current_model->toggleHandles()));
}

}  // namespace

void cmd_set(char** args) {
    if (!args[0] || !args[1]) {
        std::puts("usage: set <param> <value>");
        return;
    }
    // The setting names come first, so no attribute of these names can be set.
    if (std::strcmp(args[0], "control_step") == 0) {
        control_step = std::strtod(args[1], nullptr);
    } else if (std::strcmp(args[0], "background_color") == 0) {
        if (!args[2] || !args[3]) {
            std::puts("usage: set background_color <red> <green> <blue>");
            return;
        }
        for (int i = 0; i < 3; ++i)
            background_color[i] = colourComponent(args[i + 1]);
    } else if (std::strcmp(args[0], "handle_color") == 0) {
        if (!args[2] || !args[3]) {
            std::puts("usage: set handle_color <red> <green> <blue>");
            return;
        }
        for (int i = 0; i < 3; ++i)
            handle_color[i] = static_cast<GLfloat>(colourComponent(args[i + 1]));
    } else {
        setAttribute(args[0], args[1]);
    }
}

void cmd_get(char** args) {
    if (!args[0]) {
        std::puts("usage: get <param>");
        return;
    }
    ModelListLock lock("get - mutex lock error", "get - mutex unlock error", ModelListLock::LINE);
    if (!current_model) {
        std::puts(kNoModel);
        return;
    }
    if (std::strcmp(args[0], "all") == 0) {
        const char** names = current_model->getAttributeNames();
        const int count = names ? current_model->getAttributeCount() : 0;
        for (int i = 0; i < count; ++i)
            std::printf("  %s: %f\n", names[i], current_model->getAttribute(names[i]));
        std::free(names);
    } else if (current_model->hasAttribute(args[0])) {
        std::printf("  %s: %f\n", args[0], current_model->getAttribute(args[0]));
    } else {
        std::printf("no such attribute: '%s'\n", args[0]);
    }
}

void cmd_toggle(char** args) {
    if (!args[0]) {
        std::puts("usage: toggle handles|gamemode|fps|pos|painting");
        return;
    }
    const char* what = args[0];
    if (std::strcmp(what, "handles") == 0) {
        toggleHandles();
    } else if (std::strcmp(what, "gamemode") == 0) {
        std::printf("gamemode %s\n", stateWord(flip(game_mode)));
    } else if (std::strcmp(what, "fps") == 0) {
        std::printf("fps %s\n", stateWord(flip(showFPS)));
    } else if (std::strcmp(what, "pos") == 0) {
        std::printf("pos %s\n", stateWord(flip(showPos)));
    } else if (std::strcmp(what, "painting") == 0) {
        std::printf("paint mode %s\n", stateWord(flip(painting)));
    } else {
        // This usage line leaves painting out; it is the one users have always seen here.
        std::puts("usage: toggle handles|gamemode|fps|pos");
    }
}
