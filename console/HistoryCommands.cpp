// The undo and redo commands. Every paintable model records its paint strokes
// and skin loads into one history; these commands take back or put back the
// latest step, whichever model it painted, under the model-list mutex, and
// queue what changed for upload by the window thread's next draw.
#include <cstdio>
#include <cstdlib>

#include "console/Commands.h"
#include "paint/PaintableModel.h"
#include "paint/history/PaintHistory.h"
#include "scene/ModelListLock.h"
#include "scene/SceneState.h"

namespace {

// The history's size in MiB, from VELMORA_UNDO_MIB when that holds a whole
// number of at least 1 in plain digits, else the default.
size_t undoLimitBytes() {
    const char* text = std::getenv("VELMORA_UNDO_MIB");
    if (text && *text) {
        size_t bytes = 0;
        if (PaintHistory::limitFromMiB(text, bytes))
            return bytes;
        std::printf("VELMORA_UNDO_MIB: not a size in MiB: '%s'\n", text);
    }
    return PaintHistory::kDefaultLimitBytes;
}

// The listed paintable model with this serial; called with the mutex held.
PaintableModel* modelWithSerial(unsigned long long serial) {
    for (const auto& entry : models) {
        PaintableModel* model = dynamic_cast<PaintableModel*>(entry.second);
        if (model && model->serial() == serial)
            return model;
    }
    return nullptr;
}

Image* skinOf(const PaintHistory::SkinKey& key) {
    PaintableModel* model = modelWithSerial(key.owner);
    return model ? model->skinImage(key.skin) : nullptr;
}

void show(const PaintHistory::Outcome& outcome) {
    for (const PaintHistory::Change& change : outcome.changes)
        if (PaintableModel* model = modelWithSerial(change.key.owner))
            model->queueTextureRect(change.key.skin, change.rect);
    std::puts(outcome.message.c_str());
}

}  // namespace

PaintHistory& paintHistory() {
    static PaintHistory history(undoLimitBytes());
    return history;
}

void cmd_undo(char**) {
    ModelListLock lock;
    show(paintHistory().undo(skinOf));
}

void cmd_redo(char**) {
    ModelListLock lock;
    show(paintHistory().redo(skinOf));
}
