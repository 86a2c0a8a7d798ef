// Model, class and file commands: new model, delete, select model, loadclass,
// load, save and list, plus the shared openings of new and select. Work on
// models, the model list and the current model runs under the model-list
// mutex so it never overlaps the window thread's stepping, drawing or picking.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "console/Commands.h"
#include "paint/PaintableModel.h"
#include "plugins/ClassRegistry.h"
#include "viewer/ModelListLock.h"
#include "viewer/SceneState.h"

namespace {

const char kNotApplicable[] = "Operation not applicable for current model";
const char kLoadUsage[] = "usage: load attributes [<modelname>:]<filename> OR\n       load skin <skinNum> <filename>";
const char kSaveUsage[] = "usage: save attributes <filename> OR\n       save skin[:<num>] [<filename>]";
const char kSaveFormsUsage[] =
    "usage: save attributes <filename> OR\n       save skins OR\n       save skin <num> <filename>";

// The lock for console work that has no messages of its own.
struct ConsoleLock : ModelListLock {
    ConsoleLock() : ModelListLock("console - mutex lock error", "console - mutex unlock error", ModelListLock::LINE) {}
};

AnimatedModel* findModel(const char* name) {
    auto it = models.find(name);
    return it == models.end() ? nullptr : it->second;
}

void newModel(char** args) {
    if (!args[2]) {
        std::puts("usage: new model <model> <name>");
        return;
    }
    const char* class_word = args[1];
    if (findModel(args[2])) {
        std::printf("model name '%s' already in use\n", args[2]);
        return;
    }
    model_factory factory = findModelClass(class_word);
    AnimatedModel* model = nullptr;
    // The model keeps this copy as its name and the list keys it by the same copy.
    char* name = strdup(args[2]);
    if (factory)
        model = factory(name);
    if (!model) {
        std::free(name);
        std::printf("model not found '%s'\n", class_word);
        return;
    }
    ModelListLock lock("new - mutex lock error", "new - mutex unlock error", ModelListLock::PERROR);
    models[name] = model;
    current_model = model;
}

void loadAttributes(char* word) {
    char* colon = std::strchr(word, ':');
    ConsoleLock lock;
    if (colon) {
        *colon = '\0';
        const char* file = colon + 1;
        AnimatedModel* model = findModel(word);
        if (!model) {
            std::printf("model not found '%s'\n", word);
        } else if (!model->loadAttributes(file)) {
            std::fprintf(stderr, "error loading xml file: %s\n", file);
        }
        return;
    }
    if (!current_model) {
        std::puts(kNoModel);
        return;
    }
    if (!current_model->loadAttributes(word))
        std::fprintf(stderr, "error loading xml file: %s\n", word);
}

// The current model as a paintable one; prints why not and yields null
// when there is none or it cannot hold skins. Called under the lock.
PaintableModel* currentPaintable() {
    if (!current_model) {
        std::puts(kNoModel);
        return nullptr;
    }
    PaintableModel* paintable = dynamic_cast<PaintableModel*>(current_model);
    if (!paintable)
        std::puts(kNotApplicable);
    return paintable;
}

void listNames(const char* const* names, int count) {
    for (int i = 0; i < count; ++i)
        std::printf("  %s\n", names[i]);
}

}  // namespace

void cmd_new(char** args) {
    if (!args[0] || !args[1]) {
        std::puts(
            "usage: new pose|script <name>\n       new binding <key> [<paramname>]\n       new model <model> <name>");
        return;
    }
    if (std::strcmp(args[0], "pose") == 0) {
        newPoseCommand(args);
    } else if (std::strcmp(args[0], "script") == 0) {
        newScriptCommand(args);
    } else if (std::strcmp(args[0], "binding") == 0) {
        newBindingCommand(args);
    } else if (std::strcmp(args[0], "model") == 0) {
        newModel(args);
    } else {
        std::printf("syntax error in '%s'\n", args[0]);
    }
}

void cmd_delete(char** args) {
    if (!args[0]) {
        std::puts("usage: delete <moelname>");
        return;
    }
    auto it = models.find(args[0]);
    if (it == models.end()) {
        std::printf("invalid model name: %s\n", args[0]);
        return;
    }
    if (it->second == brush) {
        // Painting and picking rely on the brush being there.
        std::puts("the brush cannot be deleted");
        return;
    }
    ModelListLock lock("delete - mutex lock error", "delete - mutex unlock error", ModelListLock::NO_NEWLINE);
    const char* key = it->first;
    delete it->second;
    models.erase(it);
    std::free(const_cast<char*>(key));
    current_model = nullptr;
}

void cmd_select(char** args) {
    if (!args[0] || !args[1]) {
        std::puts("usage: select model|script|control <modelname>|<scriptname>|<controlschemename>");
        return;
    }
    if (std::strcmp(args[0], "control") == 0) {
        selectControlCommand(args);
    } else if (std::strcmp(args[0], "model") == 0) {
        ConsoleLock lock;
        AnimatedModel* model = findModel(args[1]);
        if (model) {
            current_model = model;
        } else {
            std::printf("model not found '%s'\n", args[1]);
        }
    } else if (std::strcmp(args[0], "script") == 0) {
        selectScriptCommand(args);
    } else {
        std::printf("error select '%s', must be one of model, control, or script\n", args[0]);
    }
}

void cmd_loadclass(char** args) {
    if (!args[0]) {
        std::puts("usage: loadclass <filename>");
        return;
    }
    const char* error = loadClassLibrary(args[0]);
    if (error)
        std::printf("error loading %s\n", error);
}

void cmd_load(char** args) {
    if (!args[0] || !args[1]) {
        std::puts(kLoadUsage);
        return;
    }
    if (std::strcmp(args[0], "attributes") == 0) {
        loadAttributes(args[1]);
    } else if (std::strcmp(args[0], "skin") == 0) {
        if (!args[2]) {
            std::puts(kLoadUsage);
            return;
        }
        const int num = std::atoi(args[1]);
        ConsoleLock lock;
        PaintableModel* paintable = currentPaintable();
        if (paintable && paintable->loadTexture(num, args[2]) == 0)
            std::printf("error loading file '%s'\n", args[2]);
    } else {
        std::puts(kLoadUsage);
    }
}

void cmd_save(char** args) {
    if (!args[0]) {
        std::puts(kSaveUsage);
        return;
    }
    if (std::strcmp(args[0], "attributes") == 0) {
        if (!args[1]) {
            std::puts(kSaveFormsUsage);
            return;
        }
        ConsoleLock lock;
        if (!current_model) {
            std::puts(kNoModel);
            return;
        }
        current_model->saveAttributes(args[1]);  // reports a failed write itself
    } else if (std::strcmp(args[0], "skins") == 0) {
        ConsoleLock lock;
        PaintableModel* paintable = currentPaintable();
        if (paintable && paintable->saveTextures() == 0)
            std::puts("error saving textures");
    } else if (std::strcmp(args[0], "skin") == 0) {
        if (!args[1] || !args[2]) {
            std::puts(kSaveFormsUsage);
            return;
        }
        const int num = std::atoi(args[1]);
        ConsoleLock lock;
        PaintableModel* paintable = currentPaintable();
        if (paintable)
            paintable->saveTexture(num, args[2]);
    } else {
        std::puts(kSaveUsage);
    }
}

void cmd_list(char** args) {
    if (!args[0]) {
        std::puts("usage: list <what>");
        return;
    }
    const char* what = args[0];
    ConsoleLock lock;
    if (std::strcmp(what, "params") == 0 && current_model) {
        const char** names = current_model->getAttributeNames();
        listNames(names, current_model->getAttributeCount());
        std::free(names);
    } else if (std::strcmp(what, "commands") == 0) {
        cmd_help(args);
    } else if (std::strcmp(what, "poses") == 0) {
        for (const auto& entry : poses)
            std::printf("  %s\n", entry.first);
    } else if (std::strcmp(what, "scripts") == 0 && current_model) {
        const char** names = current_model->getScriptNames();
        for (const char** name = names; name && *name; ++name)
            std::printf("  %s\n", *name);
        std::free(names);
    } else if (std::strcmp(what, "controls") == 0) {
        std::puts("current control mappings:");
        if (current_controls) {
            for (const auto& binding : *current_controls)
                std::printf("  %c: %s\n", binding.first, binding.second);
        }
        std::puts("");
    } else if (std::strcmp(what, "models") == 0) {
        for (const auto& entry : models)
            std::printf("  %s\n", entry.first);
    } else if (std::strcmp(what, "classes") == 0) {
        for (const auto& entry : model_classes)
            std::printf("  %s\n", entry.first);
    } else {
        std::printf("invalid argument '%s'\n", what);
    }
}
