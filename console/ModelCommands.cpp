// Model, class and file commands: new model, delete, select model, loadclass,
// load, save and list, plus the shared openings of new and select. Work on
// models, the model list and the current model runs under the model-list
// mutex so it never overlaps the window thread's stepping, drawing or picking;
// files are read and decoded before it is taken, and encoded and written
// after it is released.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "console/CommandOutcome.h"
#include "console/CommandScaffold.h"
#include "console/Commands.h"
#include "console/NumberWords.h"
#include "console/SkinSaves.h"
#include "model/io/FileContents.h"
#include "paint/PaintSession.h"
#include "paint/PaintableModel.h"
#include "paint/brush/BrushModel.h"
#include "paint/history/RecoveryFolder.h"
#include "plugins/ClassCatalog.h"
#include "plugins/ClassRegistry.h"

namespace {

const char kNotApplicable[] = "Operation not applicable for current model";
const char kLoadUsage[] = "usage: load attributes [<modelname>:]<filename> OR\n       load skin <skinNum> <filename>";
const char kSaveUsage[] = "usage: save attributes <filename> OR\n       save skin[:<num>] [<filename>]";
const char kSaveFormsUsage[] =
    "usage: save attributes <filename> OR\n       save skins OR\n       save skin <num> <filename>";

// Called with the model-list mutex held.
AnimatedModel* findModel(const char* name) {
    auto it = models.find(name);
    return it == models.end() ? nullptr : it->second;
}

bool modelExists(const char* name) {
    ModelListLock lock;
    return findModel(name) != nullptr;
}

// Runs body(paintable) on the current model with the mutex held when it can
// hold skins; prints why not otherwise.
template <typename Body>
void withCurrentPaintable(Body&& body) {
    withCurrentModel([&](AnimatedModel& model) {
        if (PaintableModel* paintable = dynamic_cast<PaintableModel*>(&model)) {
            body(*paintable);
        } else {
            CommandOutcome::report(stdout, "%s\n", kNotApplicable);
        }
    });
}

// After a factory made no model: its own reason when it gave one, otherwise
// that the class made nothing.
void printRefusal(const char* class_word) {
    CommandOutcome::failed();
    const std::string reported = takeModelCreationFailure();
    if (reported.empty()) {
        std::printf("model not found '%s'\n", class_word);
        return;
    }
    std::fputs(reported.c_str(), stdout);
    if (reported.back() != '\n')
        std::putchar('\n');
}

void newModel(char** args) {
    if (!args[2]) {
        CommandOutcome::report(stdout, "usage: new model <model> <name> [<file-or-folder>]\n");
        return;
    }
    const char* class_word = args[1];
    if (!isClassWord(class_word)) {
        CommandOutcome::report(stdout, "not a class name: '%s'\n", class_word);
        return;
    }
    if (modelExists(args[2])) {
        CommandOutcome::report(stdout, "model name '%s' already in use\n", args[2]);
        return;
    }
    std::string reason;
    model_factory factory = findModelClass(class_word, reason);
    if (!factory) {
        CommandOutcome::report(stdout, "model not found '%s': %s\n", class_word, reason.c_str());
        std::printf("available classes: %s\n", ClassCatalog::choices().c_str());
        return;
    }
    // The model keeps this copy as its name and the list keys it by the same copy.
    char* name = strdup(args[2]);
    takeModelCreationFailure();  // nothing left over from an earlier attempt
    // A third word is the file or folder, made under its path and then given the short name.
    AnimatedModel* model = factory(args[3] ? args[3] : name);
    if (!model) {
        std::free(name);
        printRefusal(class_word);
        return;
    }
    model->rename(name);
    ModelListLock lock("new - mutex lock error", "new - mutex unlock error", ModelListLock::kPerror);
    models[name] = model;
    current_model = model;
    if (PaintableModel* paintable = dynamic_cast<PaintableModel*>(model)) {
        paintable->setClassWord(class_word);  // what a recovery journal makes it again with
        paintable->setMadeFrom(args[3] ? args[3] : "");
    }
}

void selectModel(char** args) {
    ModelListLock lock;
    if (AnimatedModel* model = findModel(args[1])) {
        current_model = model;
    } else {
        CommandOutcome::report(stdout, "model not found '%s'\n", args[1]);
    }
}

// Says so when a file given to load is something other than a regular file;
// such a file is never read.
bool refusedAsNotRegular(const FileContents& contents, const char* path) {
    if (contents.status != FileContents::kNotRegular)
        return false;
    CommandOutcome::report(stdout, "not a regular file: '%s'\n", path);
    return true;
}

// `load attributes [<modelname>:]<filename>`: a prefix names the model, which
// need not be the current one. The file is read before the lock is taken.
void loadAttributes(char** args) {
    char* word = args[1];
    char* colon = std::strchr(word, ':');
    const char* file = colon ? colon + 1 : word;
    const FileContents contents = FileContents::read(file, FileContents::kXmlLimit);
    if (refusedAsNotRegular(contents, file))
        return;
    if (!colon) {
        withCurrentModel([&](AnimatedModel& model) {
            if (!model.loadAttributes(file, contents))
                CommandOutcome::report(stderr, "error loading xml file: %s\n", file);
        });
        return;
    }
    ModelListLock lock;
    *colon = '\0';
    AnimatedModel* model = findModel(word);
    if (!model) {
        CommandOutcome::report(stdout, "model not found '%s'\n", word);
    } else if (!model->loadAttributes(file, contents)) {
        CommandOutcome::report(stderr, "error loading xml file: %s\n", file);
    }
}

// The name model is listed under; called with the mutex held.
const char* listedName(const AnimatedModel* model) {
    for (const auto& entry : models)
        if (entry.second == model)
            return entry.first;
    return "";
}

// Says so when num is none of model's skins; called with the mutex held.
bool refusedAsNoSkin(const PaintableModel& model, int num) {
    if (model.textureOfSkin(num) != 0)
        return false;
    CommandOutcome::report(stdout, "no skin %d in model %s\n", num, listedName(&model));
    return true;
}

void loadSkin(char** args) {
    if (!args[2]) {
        CommandOutcome::report(stdout, "%s\n", kLoadUsage);
        return;
    }
    int num = 0;
    if (!parseWhole(args[1], num))
        return;
    // The picture is read and decoded before the lock is taken, so the window
    // waits only for it to be handed over; what reading it said is printed
    // then, after the checks that may refuse it.
    const std::string source = Image::sourceFile(args[2]);
    Image::Decoded picture;
    if (source.empty()) {
        picture = Image::read(args[2]);  // refused by its name
    } else {
        const FileContents file = FileContents::read(source.c_str(), FileContents::kImageLimit);
        if (refusedAsNotRegular(file, source.c_str()))
            return;
        picture = Image::read(args[2], source, file);
    }
    withCurrentPaintable([&](PaintableModel& model) {
        // Skin 1 of a model still without textures becomes its first one.
        const bool firstSkin = num == 1 && model.numTextures() == 0;
        if (!firstSkin && refusedAsNoSkin(model, num))
            return;
        const int texture = firstSkin ? 1 : static_cast<int>(model.textureOfSkin(num));
        if (model.takeSkin(texture, args[2], std::move(picture)) == 0)
            CommandOutcome::report(stdout, "error loading file '%s'\n", args[2]);
    });
}

void saveAttributes(char** args) {
    if (!args[1]) {
        CommandOutcome::report(stdout, "%s\n", kSaveFormsUsage);
        return;
    }
    // A failed write is reported by the model itself.
    withCurrentModel([&](AnimatedModel& model) {
        if (!model.saveAttributes(args[1]))
            CommandOutcome::failed();
    });
}

// Which of model's skins (all, or skin) hold paint no file does, as a save
// copies them; called with the mutex held.
DirtySkins::Mark unsavedPaint(const PaintableModel& model, long skin = -1) {
    return paint_session ? paint_session->savedMark(model.serial(), skin) : DirtySkins::Mark();
}

// Those skins are on disk now: the recovery journal lets go of them.
void paintSaved(const DirtySkins::Mark& mark) {
    if (mark.empty())
        return;
    ModelListLock lock;
    if (paint_session)
        paint_session->markSaved(mark);
}

// Only copies of the pictures are taken under the lock; each changed one goes
// back to the file it was read from, in that file's format, once it is released.
void saveSkins(char**) {
    bool paintable = false;
    std::vector<std::unique_ptr<Image>> skins;
    DirtySkins::Mark unsaved;
    unsigned long long serial = 0;
    withCurrentPaintable([&](PaintableModel& model) {
        paintable = true;
        skins = model.copySkins();
        unsaved = unsavedPaint(model);
        serial = model.serial();
    });
    if (!paintable)
        return;
    const int result = SkinSaves::saveChanged(skins);
    SkinSaves::adopt(serial, skins);
    if (result == 0)
        CommandOutcome::report(stdout, "error saving textures\n");
    else
        paintSaved(unsaved);
}

void saveSkin(char** args) {
    if (!args[1] || !args[2]) {
        CommandOutcome::report(stdout, "%s\n", kSaveFormsUsage);
        return;
    }
    int num = 0;
    if (!parseWhole(args[1], num))
        return;
    std::vector<std::unique_ptr<Image>> skin(1);
    DirtySkins::Mark unsaved;
    unsigned long long serial = 0;
    withCurrentPaintable([&](PaintableModel& model) {
        if (!refusedAsNoSkin(model, num)) {
            skin[0] = model.copySkin(static_cast<int>(model.textureOfSkin(num)));
            unsaved = unsavedPaint(model, num);
            serial = model.serial();
        }
    });
    if (!skin[0])
        return;
    if (!skin[0]->write(args[2])) {
        CommandOutcome::failed();  // the picture said why
        return;
    }
    // Written onto the file it was read from, the skin holds nothing unsaved.
    const std::string& own = skin[0]->getSourceFile().empty() ? skin[0]->getFilename() : skin[0]->getSourceFile();
    if (RecoveryFolder::absolute(args[2]) != RecoveryFolder::absolute(own))
        return;
    skin[0]->markSaved();
    SkinSaves::adopt(serial, skin, num);
    paintSaved(unsaved);
}

// The forms of `list`; they run with the mutex held.
void printName(const char* name) {
    std::printf("  %s\n", name);
}

void listParams(char** args) {
    if (!current_model) {
        CommandOutcome::report(stdout, "invalid argument '%s'\n", args[0]);
        return;
    }
    const char** names = current_model->getAttributeNames();
    const int count = names ? current_model->getAttributeCount() : 0;
    for (int i = 0; i < count; ++i)
        printName(names[i]);
    std::free(names);
}

void listScripts(char**) {
    if (!current_model) {
        CommandOutcome::report(stdout, "%s\n", kNoModel);
        return;
    }
    const char** names = current_model->getScriptNames();
    for (const char** name = names; name && *name; ++name)
        printName(*name);
    std::free(names);
}

void listPoses(char**) {
    for (const auto& entry : poses)
        printName(entry.first);
}

void listControls(char**) {
    std::puts("current control mappings:");
    if (current_controls) {
        for (const auto& binding : *current_controls)
            std::printf("  %c: %s\n", binding.first, binding.second);
    }
    std::puts("");
}

void listSkins(char**) {
    if (!current_model) {
        CommandOutcome::report(stdout, "%s\n", kNoModel);
        return;
    }
    PaintableModel* model = dynamic_cast<PaintableModel*>(current_model);
    if (!model) {
        CommandOutcome::report(stdout, "%s\n", kNotApplicable);
        return;
    }
    for (const auto& [number, file] : model->skinFiles())
        std::printf("  %u: %s\n", number, file.c_str());
}

void listModels(char**) {
    for (const auto& entry : models)
        printName(entry.first);
}

void listClasses(char**) {
    for (const ClassCatalog::Entry& entry : ClassCatalog::available())
        printName(ClassCatalog::shown(entry).c_str());
}

const SubCommand kNewForms[] = {
    {"pose", newPoseCommand}, {"script", newScriptCommand}, {"binding", newBindingCommand}, {"model", newModel}};
const SubCommand kSelectForms[] = {
    {"control", selectControlCommand}, {"model", selectModel}, {"script", selectScriptCommand}};
const SubCommand kLoadForms[] = {{"attributes", loadAttributes}, {"skin", loadSkin}};
const SubCommand kSaveForms[] = {
    {"attributes", saveAttributes}, {"skins", saveSkins}, {"skin", saveSkin}, {"screenshot", saveScreenshotCommand}};
const SubCommand kListForms[] = {{"params", listParams},   {"commands", cmd_help},     {"poses", listPoses},
                                 {"scripts", listScripts}, {"controls", listControls}, {"models", listModels},
                                 {"classes", listClasses}, {"skins", listSkins}};

}  // namespace

SubCommandTable newForms() {
    return tableOf(kNewForms);
}

SubCommandTable selectForms() {
    return tableOf(kSelectForms);
}

SubCommandTable loadForms() {
    return tableOf(kLoadForms);
}

SubCommandTable saveForms() {
    return tableOf(kSaveForms);
}

SubCommandTable listForms() {
    return tableOf(kListForms);
}

void cmd_new(char** args) {
    if (!args[0] || !args[1]) {
        CommandOutcome::report(stdout, "%s\n",
                               "usage: new pose <name>\n"
                               "       new script <name> [terminate|repeat|reverse|reverse_once]\n"
                               "       new binding <key> [<paramname>]\n"
                               "       new model <model> <name> [<file-or-folder>]");
        return;
    }
    if (!runSubCommand(kNewForms, args))
        CommandOutcome::report(stdout, "syntax error in '%s'\n", args[0]);
}

void cmd_delete(char** args) {
    if (!args[0]) {
        CommandOutcome::report(stdout, "usage: delete <moelname>\n");
        return;
    }
    ModelListLock lock("delete - mutex lock error", "delete - mutex unlock error", ModelListLock::kNoNewline);
    auto it = models.find(args[0]);
    if (it == models.end()) {
        CommandOutcome::report(stdout, "invalid model name: %s\n", args[0]);
        return;
    }
    if (it->second == brush) {
        // Painting and picking rely on the brush being there.
        CommandOutcome::report(stdout, "the brush cannot be deleted\n");
        return;
    }
    const char* key = it->first;
    delete it->second;
    models.erase(it);
    std::free(const_cast<char*>(key));
    current_model = nullptr;
}

void cmd_select(char** args) {
    if (!args[0] || !args[1]) {
        CommandOutcome::report(stdout, "%s\n",
                               "usage: select model|script|control <modelname>|<scriptname>|<controlschemename>\n"
                               "       select script <scriptname> [terminate|repeat|reverse|reverse_once]");
        return;
    }
    if (!runSubCommand(kSelectForms, args))
        CommandOutcome::report(stdout, "error select '%s', must be one of model, control, or script\n", args[0]);
}

void cmd_loadclass(char** args) {
    if (!args[0]) {
        CommandOutcome::report(stdout, "usage: loadclass <filename>\n");
        return;
    }
    const char* error = loadClassLibrary(args[0]);
    if (error) {
        CommandOutcome::report(stdout, "error loading %s\n", error);
        std::printf("available classes: %s\n", ClassCatalog::choices().c_str());
    }
}

void cmd_load(char** args) {
    if (!args[0] || !args[1] || !runSubCommand(kLoadForms, args))
        CommandOutcome::report(stdout, "%s\n", kLoadUsage);
}

void cmd_save(char** args) {
    if (!args[0] || !runSubCommand(kSaveForms, args))
        CommandOutcome::report(stdout, "%s\n", kSaveUsage);
}

void cmd_list(char** args) {
    if (!args[0]) {
        CommandOutcome::report(stdout, "usage: list <what>\n");
        return;
    }
    ModelListLock lock;
    if (!runSubCommand(kListForms, args))
        CommandOutcome::report(stdout, "invalid argument '%s'\n", args[0]);
}
