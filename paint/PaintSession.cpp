// Paint strokes and their history. A stroke is opened here and nowhere else:
// the models only save what they are about to paint over while one is open,
// so a model painted outside a session records nothing.
#include "paint/PaintSession.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "paint/PaintableModel.h"

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
}

void PaintSession::saveBefore(unsigned long long serial, const char* name, GLuint skin, Image& image,
                              const TexelRect& area) {
    history_.saveBefore({serial, skin}, name, image, area);
}

void PaintSession::recordSkinLoad(unsigned long long serial, const char* name, GLuint skin,
                                  std::unique_ptr<Image> before) {
    history_.recordSkinLoad({serial, skin}, name, std::move(before));
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
        return model ? model->skinImage(key.skin) : nullptr;
    };
}

PaintHistory::Outcome PaintSession::shown(PaintHistory::Outcome outcome, const ModelLookup& find) {
    for (const PaintHistory::Change& change : outcome.changes)
        if (PaintableModel* model = find(change.key.owner))
            model->queueTextureRect(change.key.skin, change.rect);
    return outcome;
}
