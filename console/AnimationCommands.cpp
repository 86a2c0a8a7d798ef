// Pose, script, binding and animation commands, and the start-up key
// bindings. The handlers parse words and hand the work to the current model
// (or to models named in the line); poses, bindings, models and the current
// model are shared with the window thread, so that work runs under the
// model-list mutex, taken once per handler (twice by speed control, which
// plans without it).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>

#include "console/ChoiceWords.h"
#include "console/CommandOutcome.h"
#include "console/CommandScaffold.h"
#include "console/Commands.h"
#include "console/Console.h"
#include "console/NumberWords.h"
#include "model/OwnedPose.h"
#include "model/SpeedPlanner.h"

namespace {

const char kSelectUsage[] =
    "usage: select model|script|control <modelname>|<scriptname>|<controlschemename>\n"
    "       select script <scriptname> [terminate|repeat|reverse|reverse_once]";
const char kAnimateUsage[] =
    "usage: animate [<modelname>:]<scriptName>\n       animate <poseName> <frames> [linear/sin]";
const char kSpeedControlUsage[] =
    "usage: speedcontrol <script_name> <param_name> <param_name>\n     <param_name> <accel_ratio> <deccel_ratio>";

// Only these two words name an interpolation; anything else, or nothing, is linear.
interpolation_type interpolationWord(const char* word) {
    if (word && std::strcmp(word, "sin") == 0)
        return INT_SIN;
    return INT_LINEAR;
}

// The behaviour a word names, or -1 after saying which words there are.
int behaviourWord(const char* word) {
    for (size_t i = 0; i < std::size(kScriptBehaviourWords); ++i)
        if (std::strcmp(word, kScriptBehaviourWords[i]) == 0)
            return static_cast<int>(i);
    CommandOutcome::report(stdout, "unknown script behaviour '%s': use terminate, repeat, reverse or reverse_once\n",
                           word);
    return -1;
}

position* findPose(const char* name) {
    auto it = poses.find(name);
    return it == poses.end() ? nullptr : it->second;
}

// A stored pose outlives the model it was taken from, so it owns copies of
// the attribute names instead of borrowing the model's.
position* ownedPoseOf(AnimatedModel* model) {
    position* borrowed = model->getPose();
    position* owned = copyPoseOwningNames(*borrowed);
    delete borrowed;
    return owned;
}

// Binding names are heap copies owned by their scheme, so a replaced one can
// be freed; readers of a scheme hold the model-list mutex.
void bind(control_map* scheme, char key, const char* attribute) {
    char* name = strdup(attribute);
    auto it = scheme->find(key);
    if (it == scheme->end()) {
        (*scheme)[key] = name;
        return;
    }
    std::free(const_cast<char*>(it->second));
    it->second = name;
}

// Called with the model-list mutex held.
bool stillListed(const AnimatedModel* model) {
    for (const auto& entry : models)
        if (entry.second == model)
            return true;
    return false;
}

// `animate m1:walk m2:run ...`: every leading word with a ':' starts a script
// on the model it names; the first word without one ends the list.
void runNamedScripts(char** args) {
    for (char** word = args; *word; ++word) {
        char* colon = std::strchr(*word, ':');
        if (!colon)
            break;
        *colon = '\0';
        const char* script_name = colon + 1;
        auto it = models.find(*word);
        if (it == models.end()) {
            CommandOutcome::report(stdout, "model not found '%s'\n", *word);
        } else if (it->second->runScript(script_name) != 0) {
            CommandOutcome::report(stderr, "error running script '%s'\n", script_name);
            if (!ChoiceWords::hasScript(*it->second, script_name))
                std::fprintf(stderr, "%s\n", ChoiceWords::scripts(*it->second).c_str());
        }
    }
}

}  // namespace

void initControls() {
    static const struct {
        char key;
        const char* attribute;
    } kDefaults[] = {{'q', "x"}, {'w', "y"}, {'e', "z"}, {'a', "rotation_x"}, {'s', "rotation_y"}, {'d', "rotation_z"}};

    control_map* scheme = new control_map;
    for (const auto& binding : kDefaults)
        bind(scheme, binding.key, binding.attribute);
    ModelListLock lock;
    control_schemes["Default"] = scheme;
    current_controls = scheme;
}

void newPoseCommand(char** args) {
    const char* name = args[1];
    if (!name)
        return;
    withCurrentModel([&](AnimatedModel& model) {
        position* pose = ownedPoseOf(&model);
        auto it = poses.find(name);
        if (it == poses.end()) {
            poses[strdup(name)] = pose;
            return;
        }
        // The entry keeps its key string; only the pose is replaced.
        freePoseOwningNames(it->second);
        it->second = pose;
    });
}

void newScriptCommand(char** args) {
    const char* name = args[1];
    if (!name)
        return;
    const int behavior = args[2] ? behaviourWord(args[2]) : SCR_TERMINATE;
    if (behavior < 0)
        return;
    withCurrentModel([&](AnimatedModel& model) {
        if (model.newScript(name) != 0)
            CommandOutcome::report(stdout, "error creating script '%s'\n", name);
        else
            model.setScriptBehavior(name, behavior);
    });
}

void newBindingCommand(char** args) {
    if (!args[1] || !args[2]) {
        CommandOutcome::report(stdout, "usage: new binding <key> <paramname>\n");
        return;
    }
    const char key = args[1][0];
    const char* attribute = args[2];
    withCurrentModel([&](AnimatedModel& model) {
        if (!model.hasAttribute(attribute)) {
            CommandOutcome::report(stdout, "no such attribute '%s'\n", attribute);
        } else if (!current_controls) {
            CommandOutcome::report(stdout, "no control scheme selected\n");
        } else {
            bind(current_controls, key, attribute);
        }
    });
}

void selectControlCommand(char** args) {
    const char* name = args[1];
    if (!name) {
        CommandOutcome::report(stdout, "%s\n", kSelectUsage);
        return;
    }
    ModelListLock lock;
    auto it = control_schemes.find(name);
    if (it == control_schemes.end()) {
        CommandOutcome::report(stdout, "control scheme not found '%s'\n", name);
        return;
    }
    current_controls = it->second;
}

void selectScriptCommand(char** args) {
    const char* name = args[1];
    if (!name) {
        CommandOutcome::report(stdout, "%s\n", kSelectUsage);
        return;
    }
    const int behavior = args[2] ? behaviourWord(args[2]) : SCR_TERMINATE;
    if (behavior < 0)
        return;
    withCurrentModel([&](AnimatedModel& model) {
        if (model.selectScript(name) != 0)
            CommandOutcome::report(stdout, "error selecting script '%s'\n", name);
        else if (args[2])
            model.setScriptBehavior(name, behavior);
    });
}

void cmd_add(char** args) {
    if (!args[0] || !args[1]) {
        CommandOutcome::report(stdout, "usage: add <poseName> <timing> [linear|sin]\n");
        return;
    }
    const char* pose_name = args[0];
    int timing = 0;
    if (!parseWhole(args[1], timing))
        return;
    const interpolation_type interpolation = interpolationWord(args[2]);
    withCurrentModel([&](AnimatedModel& model) {
        position* pose = findPose(pose_name);
        if (!pose) {
            CommandOutcome::report(stdout, "pose '%s' not found\n", pose_name);
            return;
        }
        // The step keeps its own copy, so the stored pose may change later.
        if (model.appendPose(pose, timing, interpolation) != 0)
            CommandOutcome::report(stdout, "error appending pose\n");
    });
}

void cmd_animate(char** args) {
    if (!args[0]) {
        CommandOutcome::report(stdout, "%s\n", kAnimateUsage);
        return;
    }
    if (std::strchr(args[0], ':')) {
        ModelListLock lock;
        runNamedScripts(args);
        return;
    }
    withCurrentModel([&](AnimatedModel& model) {
        if (!args[1]) {
            if (model.runScript(args[0]) != 0) {
                CommandOutcome::report(stdout, "error running script '%s'\n", args[0]);
                if (!ChoiceWords::hasScript(model, args[0]))
                    std::printf("%s\n", ChoiceWords::scripts(model).c_str());
            }
            return;
        }
        position* pose = findPose(args[0]);
        if (!pose) {
            CommandOutcome::report(stdout, "pose not found: %s\ntry list poses\n", args[0]);
            return;
        }
        int frames = 0;
        if (parseWhole(args[1], frames))
            model.animateTo(*pose, frames, interpolationWord(args[2]));
    });
}

void cmd_speed_control(char** args) {
    for (int i = 0; i < 6; ++i) {
        if (!args[i]) {
            CommandOutcome::report(stdout, "%s\n", kSpeedControlUsage);
            return;
        }
    }
    double accel = 0, decel = 0;
    if (!parseNumber(args[4], accel) || !parseNumber(args[5], decel))
        return;
    // Planning prints a line per sample and per frame: it runs without the
    // lock, between reading the script under it and writing the result under it.
    AnimatedModel* model = nullptr;
    SpeedControlSnapshot snapshot;
    std::string why;
    bool taken = false;
    withCurrentModel([&](AnimatedModel& current) {
        model = &current;
        taken = current.speedControlSnapshot(args[0], args[1], args[2], args[3], accel, decel, snapshot, &why) == 0;
    });
    if (!model)
        return;
    int result = -1;
    if (taken) {
        SpeedPlan plan = planSpeedControl(snapshot.points, snapshot.timings, accel, decel);
        printSpeedPlan(plan);
        ModelListLock lock;
        if (stillListed(model))
            result = model->applySpeedControl(args[0], snapshot, plan, &why);
        else
            why = "the model was deleted while it was planned";
    }
    if (result != 0)
        CommandOutcome::report(stdout, "error performing speed control%s%s\n", why.empty() ? "" : ": ", why.c_str());
}
