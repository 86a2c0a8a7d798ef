// `recover` and `recover discard`: paint that runs which ended without saving
// left in their journals goes back onto the same skins of the same models (made
// with their class first when not loaded) as one step undo takes back, or is
// dropped. Nothing is restored unless every journal is intact and every skin
// found; restored paint is unsaved again, so this run's journal keeps it.
#include "console/RecoverCommand.h"

#include <time.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "console/CommandOutcome.h"
#include "console/Commands.h"
#include "console/TerminalSignals.h"
#include "paint/PaintSession.h"
#include "paint/PaintableModel.h"
#include "paint/history/JournalWriter.h"
#include "scene/ModelListLock.h"
#include "scene/RedrawRequest.h"
#include "scene/SceneState.h"

namespace {

using Orphans = std::vector<RecoveryFolder::Orphan>;

// How long `recover` waits for the window to read the skins of a model it made.
const int kSkinWaitMillis = 20000;
const int kSkinPollMillis = 20;

JournalWriter* journal = nullptr;

std::string plural(size_t count, const char* word) {
    return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

// The intact entries of every orphan, and how many models they name.
std::vector<const RecoveryFolder::Entry*> intactEntries(const Orphans& orphans, size_t* models, size_t* damaged) {
    std::vector<const RecoveryFolder::Entry*> entries;
    std::set<std::pair<std::string, std::string>> named;
    *damaged = 0;
    for (const auto& orphan : orphans)
        for (const auto& entry : orphan.entries) {
            if (!entry.intact) {
                ++*damaged;
                continue;
            }
            entries.push_back(&entry);
            named.emplace(entry.skin.modelClass, entry.skin.modelName);
        }
    *models = named.size();
    return entries;
}

void releaseAll(Orphans& orphans) {
    for (auto& orphan : orphans)
        RecoveryFolder::release(orphan);
}

// The listed paintable model called name; called with the mutex held.
PaintableModel* paintableNamed(const std::string& name) {
    auto found = models.find(name.c_str());
    return found == models.end() ? nullptr : dynamic_cast<PaintableModel*>(found->second);
}

// A skin of a loaded model as `recover` matches it: number, file and size.
struct LoadedSkin {
    unsigned long long serial = 0;
    unsigned int number = 0;
    std::string source;
    int width = 0, height = 0;
};

std::vector<LoadedSkin> loadedSkinsOf(const std::string& name) {
    std::vector<LoadedSkin> skins;
    {
        ModelListLock lock;
        PaintableModel* model = paintableNamed(name);
        if (!model)
            return skins;
        for (const auto& [number, file] : model->skinFiles()) {
            const Image* image = model->skinImage(model->textureOfSkin(number));
            skins.push_back({model->serial(), number, file, image->width(), image->height()});
        }
    }
    for (LoadedSkin& skin : skins)
        skin.source = RecoveryFolder::absolute(skin.source);  // no file system work under the lock
    return skins;
}

// Where each entry goes: the loaded skin read from the same file at the same
// size (the same number first, should several be). False, saying which entry
// finds no skin, unless every entry has one.
bool matchSkins(const std::vector<const RecoveryFolder::Entry*>& entries, std::vector<LoadedSkin>& targets,
                std::string* missing) {
    targets.clear();
    std::map<std::string, std::vector<LoadedSkin>> loaded;
    for (const RecoveryFolder::Entry* entry : entries) {
        const JournalFormat::Skin& want = entry->skin;
        auto found = loaded.find(want.modelName);
        if (found == loaded.end())
            found = loaded.emplace(want.modelName, loadedSkinsOf(want.modelName)).first;
        const LoadedSkin* best = nullptr;
        for (const LoadedSkin& skin : found->second)
            if (skin.source == want.sourceFile && skin.width == want.width && skin.height == want.height &&
                (!best || skin.number == want.skin))
                best = &skin;
        if (!best) {
            *missing = "model '" + want.modelName + "' has no skin read from '" + want.sourceFile + "' at " +
                       std::to_string(want.width) + "x" + std::to_string(want.height);
            return false;
        }
        targets.push_back(*best);
    }
    return true;
}

// Makes each named model that is not loaded with its class, as `new model`
// does; false, having said why, when a name is taken by another class's model
// or a model cannot be made.
bool makeMissingModels(const std::vector<const RecoveryFolder::Entry*>& entries, bool* made) {
    std::map<std::pair<std::string, std::string>, std::string> wanted;  // class and name to the model's file
    for (const RecoveryFolder::Entry* entry : entries)
        wanted.emplace(std::make_pair(entry->skin.modelClass, entry->skin.modelName), entry->skin.modelFile);
    for (const auto& [classAndName, file] : wanted) {
        const auto& [modelClass, name] = classAndName;
        bool loaded = false, sameClass = false;
        {
            ModelListLock lock;
            loaded = models.count(name.c_str()) != 0;
            const PaintableModel* model = paintableNamed(name);
            sameClass = model && model->classWord() == modelClass;
        }
        if (loaded && !sameClass) {
            CommandOutcome::report(stdout,
                                   "recover: model '%s' is not the %s model the paint was made on; nothing restored\n",
                                   name.c_str(), modelClass.c_str());
            return false;
        }
        if (loaded)
            continue;
        std::string words[4] = {"model", modelClass, name, file};
        char* args[5] = {&words[0][0], &words[1][0], &words[2][0], file.empty() ? nullptr : &words[3][0], nullptr};
        cmd_new(args);
        ModelListLock lock;
        if (!paintableNamed(name)) {
            CommandOutcome::report(stdout, "recover: could not make %s model '%s'; nothing restored\n",
                                   modelClass.c_str(), name.c_str());
            return false;
        }
        *made = true;
    }
    return true;
}

void waitMillis(int millis) {
    const timespec delay = {0, millis * 1000000L};
    nanosleep(&delay, nullptr);
}

// Puts every entry's tiles onto its target as one paint step; false when a
// target went away or changed size since it was matched.
bool restore(const std::vector<const RecoveryFolder::Entry*>& entries, const std::vector<LoadedSkin>& targets) {
    ModelListLock lock;
    std::vector<std::pair<PaintableModel*, Image*>> onto;
    for (size_t i = 0; i < entries.size(); ++i) {
        PaintableModel* model = paintableNamed(entries[i]->skin.modelName);
        Image* image = model && model->serial() == targets[i].serial
                           ? model->skinImage(model->textureOfSkin(targets[i].number))
                           : nullptr;
        if (!image || !image->pixels() || image->width() != entries[i]->skin.width ||
            image->height() != entries[i]->skin.height)
            return false;
        onto.emplace_back(model, image);
    }
    paint_session->endDrag();
    paint_session->history().beginStroke();
    for (size_t i = 0; i < entries.size(); ++i) {
        auto [model, image] = onto[i];
        const size_t row = 3 * static_cast<size_t>(image->width());
        for (const JournalFormat::Tile& tile : entries[i]->skin.tiles) {
            paint_session->saveBefore(model->serial(), model->name(), targets[i].number, *image, tile.rect);
            const size_t span = 3 * static_cast<size_t>(tile.rect.width());
            for (int y = tile.rect.y0; y <= tile.rect.y1; ++y)
                std::memcpy(image->pixels() + row * y + 3 * static_cast<size_t>(tile.rect.x0),
                            &tile.texels[span * static_cast<size_t>(y - tile.rect.y0)], span);
            model->queueTextureRect(targets[i].number, tile.rect);
        }
    }
    paint_session->history().endStroke();
    return true;
}

void recoverAll(Orphans& orphans) {
    size_t modelCount = 0, damaged = 0;
    const auto entries = intactEntries(orphans, &modelCount, &damaged);
    std::printf("unsaved paint found:\n");
    for (const auto& orphan : orphans)
        for (const auto& entry : orphan.entries) {
            if (!entry.intact) {
                std::printf("  %s: damaged: %s\n", entry.file.c_str(), entry.why.c_str());
                continue;
            }
            const JournalFormat::Skin& skin = entry.skin;
            // An older journal's number was a texture name of its run: it is left out.
            const std::string number = skin.skin ? ", skin " + std::to_string(skin.skin) : "";
            std::printf("  %s model '%s'%s (%s, %dx%d): %s\n", skin.modelClass.c_str(), skin.modelName.c_str(),
                        number.c_str(), skin.sourceFile.c_str(), skin.width, skin.height,
                        plural(skin.tiles.size(), "tile").c_str());
        }
    if (damaged) {
        CommandOutcome::report(stdout, "recover: %s damaged; nothing restored ('recover discard' drops it all)\n",
                               damaged == 1 ? "a journal file is" : "journal files are");
        return;
    }
    bool made = false;
    if (!makeMissingModels(entries, &made))
        return;
    std::vector<LoadedSkin> targets;
    std::string missing;
    // A model just made reads its skins at its first draw.
    for (int waited = 0; !matchSkins(entries, targets, &missing) && made && waited < kSkinWaitMillis;
         waited += kSkinPollMillis) {
        requestRedraw();
        waitMillis(kSkinPollMillis);
    }
    if (targets.size() != entries.size()) {
        CommandOutcome::report(stdout, "recover: %s; nothing restored\n", missing.c_str());
        return;
    }
    if (!restore(entries, targets)) {
        CommandOutcome::report(stdout, "recover: a skin changed while it was being restored; nothing restored\n");
        return;
    }
    std::printf("restored unsaved paint of %s on %s as one step ('undo' takes it back)\n",
                plural(entries.size(), "skin").c_str(), plural(modelCount, "model").c_str());
    // The old journals go only once this run's journal holds what they held.
    if (!journal->writeNow()) {
        CommandOutcome::report(stdout, "%s\n",
                               "recover: the restored paint could not be journaled again; the old journal stays");
        return;
    }
    for (auto& orphan : orphans)
        RecoveryFolder::discard(orphan);
}

}  // namespace

void cmd_recover(char** args) {
    const bool discard = args[0] && std::strcmp(args[0], "discard") == 0;
    if (args[0] && !discard) {
        CommandOutcome::report(stdout, "usage: recover [discard]\n");
        return;
    }
    if (!journal || !paint_session) {
        CommandOutcome::report(stdout, "recover: there is no recovery folder in this run\n");
        return;
    }
    Orphans orphans = journal->folder().claimOrphans();
    if (orphans.empty()) {
        std::puts("no unsaved paint to recover");
        return;
    }
    if (discard) {
        size_t skins = 0;
        for (auto& orphan : orphans) {
            skins += orphan.entries.size();
            RecoveryFolder::discard(orphan);
        }
        std::printf("dropped unsaved paint of %s\n", plural(skins, "skin").c_str());
        return;
    }
    recoverAll(orphans);
    releaseAll(orphans);
}

void startRecoveryJournal() {
    auto folder = std::make_unique<RecoveryFolder>();
    std::string why;
    if (!folder->open(why)) {
        std::printf("unsaved paint will not be kept for recovery: %s\n", why.c_str());
        return;
    }
    Orphans orphans = folder->claimOrphans();
    if (!orphans.empty()) {
        size_t modelCount = 0, damaged = 0;
        const size_t skins = intactEntries(orphans, &modelCount, &damaged).size();
        std::string found =
            skins ? "unsaved paint of " + plural(skins, "skin") + " on " + plural(modelCount, "model") : "";
        if (damaged)
            found += (found.empty() ? "" : " and ") + plural(damaged, "damaged paint journal file");
        const bool several = (skins && damaged) || damaged > 1;
        std::printf(
            "%s %s left by a run that did not end normally; type 'recover' to restore it or 'recover "
            "discard' to drop it\n",
            found.c_str(), several ? "were" : "was");
        releaseAll(orphans);
    }
    journal = new JournalWriter(
        modelListMutex,
        [](const DirtySkins::Key& key, JournalWriter::SkinView& view) {
            for (const auto& entry : models) {
                const PaintableModel* model = dynamic_cast<const PaintableModel*>(entry.second);
                if (!model || model->serial() != key.owner)
                    continue;
                view.image = model->skinImage(model->textureOfSkin(key.skin));
                view.modelClass = model->classWord();
                view.modelName = model->name();
                view.modelFile = model->madeFrom();
                return true;
            }
            return false;
        },
        std::move(folder));
    {
        ModelListLock lock;
        if (paint_session)
            paint_session->setJournal(journal);
    }
    journal->start(endBySignal);
    setEndingSignalHook(JournalWriter::takeEndingSignal);
}

void endRecoveryJournal() {
    if (journal)
        journal->discard();
}
