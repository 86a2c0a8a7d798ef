// Paint strokes and their history. A stroke is opened here and nowhere else:
// the models only save what they are about to paint over while one is open,
// so a model painted outside a session records nothing.
#include "paint/PaintSession.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "paint/PaintableModel.h"
#include "paint/history/JournalWriter.h"
#include "scene/AsyncOutput.h"

size_t PaintSession::limitFromEnvironment() {
    const char* text = std::getenv("VELMORA_UNDO_MIB");
    if (text && *text) {
        size_t bytes = 0;
        if (PaintHistory::limitFromMiB(text, bytes))
            return bytes;
        std::printf("VELMORA_UNDO_MIB: not a size in MiB: '%s'\n", text);
    }
    return PaintHistory::kDefaultLimitBytes;
}

void PaintSession::paintStroke(PaintableModel& model, BrushModel* brush) {
    history_.endStroke();
    history_.beginStroke();
    model.paintModel(brush);
    history_.endStroke();
}

void PaintSession::paintInDrag(PaintableModel& model, BrushModel* brush) {
    history_.beginStroke();
    model.paintModel(brush);
    dragModel_ = model.name();
    dragReached_ = dragReached_ || !model.lastPaintChanges().empty();
}

void PaintSession::endDrag() {
    history_.endStroke();
    // Said when the stroke ends, not at every motion event of a brush held in the air.
    if (!dragModel_.empty() && !dragReached_)
        AsyncOutput::printf(stdout, "the brush does not reach '%s'\n", dragModel_.c_str());
    dragModel_.clear();
    dragReached_ = false;
}

void PaintSession::saveBefore(unsigned long long serial, const char* name, unsigned int skin, Image& image,
                              const TexelRect& area) {
    history_.saveBefore({serial, skin}, name, image, area);
    journalChange(serial, skin, image, area);
}

void PaintSession::recordSkinLoad(unsigned long long serial, const char* name, unsigned int skin,
                                  std::unique_ptr<Image> before) {
    history_.recordSkinLoad({serial, skin}, name, std::move(before));
    // The picture is its new file's: nothing of it is unsaved.
    if (journal_) {
        journal_->dirty().drop({serial, skin});
        journal_->changed();
    }
}

void PaintSession::forget(unsigned long long serial) {
    history_.forgetOwner(serial);
    if (journal_) {
        journal_->dirty().dropOwner(serial);
        journal_->changed();
    }
}

void PaintSession::journalChange(unsigned long long serial, unsigned int skin, const Image& image,
                                 const TexelRect& area) {
    if (!journal_)
        return;
    journal_->dirty().mark({serial, skin}, image.width(), image.height(), area);
    journal_->changed();
}

DirtySkins::Mark PaintSession::savedMark(unsigned long long serial, long skin) const {
    return journal_ ? journal_->dirty().markOf(serial, skin) : DirtySkins::Mark();
}

void PaintSession::markSaved(const DirtySkins::Mark& mark) {
    if (!journal_ || mark.empty())
        return;
    journal_->dirty().saved(mark);
    journal_->changedNow();
}

PaintHistory::Outcome PaintSession::undo(const ModelLookup& find) {
    return shown(history_.undo(skinsOf(find)), find);
}

PaintHistory::Outcome PaintSession::redo(const ModelLookup& find) {
    return shown(history_.redo(skinsOf(find)), find);
}

PaintHistory::ImageLookup PaintSession::skinsOf(const ModelLookup& find) {
    return [&find](const PaintHistory::SkinKey& key) -> Image* {
        PaintableModel* model = find(key.owner);
        return model ? model->skinImage(model->textureOfSkin(key.skin)) : nullptr;
    };
}

PaintHistory::Outcome PaintSession::shown(PaintHistory::Outcome outcome, const ModelLookup& find) {
    for (const PaintHistory::Change& change : outcome.changes)
        if (PaintableModel* model = find(change.key.owner)) {
            const GLuint texture = model->textureOfSkin(change.key.skin);
            model->queueTextureRect(texture, change.rect);
            if (const Image* image = model->skinImage(texture))
                journalChange(change.key.owner, change.key.skin, *image, change.rect);
        }
    return outcome;
}
