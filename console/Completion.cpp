// Completion for the console. The words ahead of the cursor choose what the
// word under it can be: a command, a sub-word from the table its command
// dispatches with, a class, model, script, pose, scheme or skin, a file, or an
// attribute. Names the window thread may change are read under the model-list
// mutex; each generator keeps its place between the calls of one attempt.
#include "console/Completion.h"

#include <dirent.h>
#include <readline/readline.h>
#include <readline/tilde.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "console/CommandScaffold.h"
#include "console/CommandTable.h"
#include "console/Commands.h"
#include "paint/PaintableModel.h"
#include "plugins/ClassRegistry.h"
#include "plugins/ModelFileClass.h"
#include "plugins/RuntimePaths.h"
#include "scene/ModelListLock.h"
#include "scene/SceneState.h"

namespace {

using Words = std::vector<std::string>;

// ---------------------------------------------------------------- [SECTION] the names on offer

template <SubCommandTable (*forms)()>
Words formWords() {
    const SubCommandTable table = forms();
    Words words;
    for (size_t i = 0; i < table.count; ++i)
        words.emplace_back(table.entries[i].word);
    return words;
}

template <typename Map>
Words keysOf(const Map& map) {
    Words words;
    for (const auto& entry : map)
        words.emplace_back(entry.first);
    return words;
}

Words modelNames() {
    ModelListLock lock;
    return keysOf(models);
}

Words poseNames() {
    ModelListLock lock;
    return keysOf(poses);
}

Words schemeNames() {
    ModelListLock lock;
    return keysOf(control_schemes);
}

Words scriptNames() {
    ModelListLock lock;
    Words words;
    if (!current_model)
        return words;
    const char** names = current_model->getScriptNames();
    for (const char** name = names; name && *name; ++name)
        words.emplace_back(*name);
    std::free(names);
    return words;
}

Words recoverWords() {
    return {"discard"};
}

Words behaviourWords() {
    return Words(std::begin(kScriptBehaviourWords), std::end(kScriptBehaviourWords));
}

Words skinNumbers() {
    ModelListLock lock;
    Words words;
    if (auto* model = dynamic_cast<PaintableModel*>(current_model))
        for (const auto& skin : model->skinFiles())
            words.push_back(std::to_string(skin.first));
    return words;
}

// The registered classes and those whose library waits in a trusted class
// folder, the ones a class is looked up in, each once, in strcmp order.
Words classNames() {
    std::set<std::string> names;
    {
        ModelListLock lock;
        for (const auto& entry : model_classes)
            names.insert(entry.first);
    }
    for (const std::string& folder : trustedClassFolders()) {
        DIR* dir = opendir(folder.c_str());
        if (!dir)
            continue;
        while (const dirent* entry = readdir(dir)) {
            const std::string file = entry->d_name;
            const size_t stem = file.size() > 3 ? file.size() - 3 : 0;
            if (stem > 0 && file.compare(stem, 3, ".so") == 0 && isClassWord(file.substr(0, stem).c_str()))
                names.insert(file.substr(0, stem));
        }
        closedir(dir);
    }
    return Words(names.begin(), names.end());
}

// The model files Meshform is offered, and folders, to walk into.
bool isMeshFileOrFolder(const char* completed) {
    if (ModelFileClass::isMeshFileName(completed))
        return true;
    char* expanded = tilde_expand(completed);
    struct stat st;
    const bool folder = stat(expanded, &st) == 0 && S_ISDIR(st.st_mode);
    std::free(expanded);
    return folder;
}

char* meshFileCompletion(const char* word, int callCount) {
    for (int state = callCount; char* name = rl_filename_completion_function(word, state); state = 1) {
        if (isMeshFileOrFolder(name))
            return name;
        std::free(name);
    }
    return nullptr;
}

// ---------------------------------------------------------------- [SECTION] what follows which words

enum class Kind { kNothing, kWords, kFiles, kAttributes, kModelFiles };

// The word at `position` (the command being 0) of a `command` line whose
// first argument is `sub` (any when null) is of `kind`; words come from `names`.
struct Rule {
    const char* command;
    const char* sub;
    size_t position;
    Kind kind;
    Words (*names)();
};

const Rule kRules[] = {
    {"new", nullptr, 1, Kind::kWords, formWords<newForms>},
    {"new", "model", 2, Kind::kWords, classNames},
    {"new", "model", 3, Kind::kModelFiles, nullptr},
    {"new", "model", 4, Kind::kModelFiles, nullptr},  // the file of a model given a short name
    {"new", "binding", 3, Kind::kAttributes, nullptr},
    {"new", "script", 3, Kind::kWords, behaviourWords},
    {"select", nullptr, 1, Kind::kWords, formWords<selectForms>},
    {"select", "model", 2, Kind::kWords, modelNames},
    {"select", "script", 2, Kind::kWords, scriptNames},
    {"select", "script", 3, Kind::kWords, behaviourWords},
    {"select", "control", 2, Kind::kWords, schemeNames},
    {"delete", nullptr, 1, Kind::kWords, modelNames},
    {"paint", nullptr, 1, Kind::kWords, modelNames},
    {"animate", nullptr, 1, Kind::kWords, scriptNames},
    {"add", nullptr, 1, Kind::kWords, poseNames},
    {"list", nullptr, 1, Kind::kWords, formWords<listForms>},
    {"toggle", nullptr, 1, Kind::kWords, formWords<toggleForms>},
    {"load", nullptr, 1, Kind::kWords, formWords<loadForms>},
    {"load", "attributes", 2, Kind::kFiles, nullptr},
    {"load", "skin", 2, Kind::kWords, skinNumbers},
    {"load", "skin", 3, Kind::kFiles, nullptr},
    {"save", nullptr, 1, Kind::kWords, formWords<saveForms>},
    {"save", "attributes", 2, Kind::kFiles, nullptr},
    {"save", "skin", 2, Kind::kWords, skinNumbers},
    {"save", "skin", 3, Kind::kFiles, nullptr},
    {"save", "screenshot", 2, Kind::kFiles, nullptr},
    {"exec", nullptr, 1, Kind::kFiles, nullptr},
    {"recover", nullptr, 1, Kind::kWords, recoverWords},
    {"loadclass", nullptr, 1, Kind::kFiles, nullptr},
    {"set", nullptr, 1, Kind::kAttributes, nullptr},
    {"get", nullptr, 1, Kind::kAttributes, nullptr},
    {"speed_control", nullptr, 1, Kind::kWords, scriptNames},
    {"speed_control", nullptr, 2, Kind::kAttributes, nullptr},
    {"speed_control", nullptr, 3, Kind::kAttributes, nullptr},
    {"speed_control", nullptr, 4, Kind::kAttributes, nullptr},
};

// The words of line ahead of column end, split as lines are split to run.
Words wordsBefore(const char* line, int end) {
    Words words;
    const size_t length = std::strlen(line);
    const std::string head(line, std::min(length, static_cast<size_t>(end > 0 ? end : 0)));
    for (size_t at = head.find_first_not_of(" \t\n"); at != std::string::npos;) {
        const size_t stop = head.find_first_of(" \t\n", at);
        words.push_back(head.substr(at, stop - at));
        at = stop == std::string::npos ? stop : head.find_first_not_of(" \t\n", stop);
    }
    return words;
}

const Rule* ruleFor(const Words& before) {
    for (const Rule& rule : kRules) {
        if (before.size() != rule.position || before[0] != rule.command)
            continue;
        if (!rule.sub || before[1] == rule.sub)
            return &rule;
    }
    return nullptr;
}

// What offeredCompletion hands out during one attempt.
Words offered;

char* offeredCompletion(const char* word, int callCount) {
    static size_t index = 0;
    index = callCount == 0 ? 0 : index + 1;
    const size_t len = std::strlen(word);
    while (index < offered.size() && offered[index].compare(0, len, word) != 0)
        ++index;
    return index < offered.size() ? strdup(offered[index].c_str()) : nullptr;
}

}  // namespace

char** completer(const char* word, int start, int) {
    rl_attempted_completion_over = 1;
    const Words before = wordsBefore(rl_line_buffer, start);
    if (before.empty())
        return rl_completion_matches(word, commandCompletion);
    const Rule* rule = ruleFor(before);
    switch (rule ? rule->kind : Kind::kNothing) {
        case Kind::kWords: offered = rule->names(); return rl_completion_matches(word, offeredCompletion);
        case Kind::kFiles: return rl_completion_matches(word, rl_filename_completion_function);
        case Kind::kAttributes: return rl_completion_matches(word, paramCompletion);
        case Kind::kModelFiles:
            // Only the class that reads model files is offered them; what other classes take is their own.
            return before[2] == "Meshform" ? rl_completion_matches(word, meshFileCompletion) : nullptr;
        case Kind::kNothing: break;
    }
    return nullptr;
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
    // The names stay the model's: each match is copied before the lock is let go.
    ModelListLock lock;
    if (callCount == 0) {
        std::free(param_list);
        param_list = nullptr;
        param_count = 0;
        if (current_model) {
            param_list = current_model->getAttributeNames();
            param_count = param_list ? current_model->getAttributeCount() : 0;
        }
        index = 0;
    } else {
        ++index;
    }
    const size_t len = std::strlen(word);
    while (index < param_count && std::strncmp(param_list[index], word, len) != 0)
        ++index;
    if (index >= param_count)
        return nullptr;
    return strdup(param_list[index]);
}
