// The paint command: paints the brush once into the current model, or into a
// named one when the current model cannot be painted; a name that is no model
// is refused either way. The window thread draws and uploads the same images,
// so painting runs under the model-list mutex. Each paint command is one step
// of the undo history.
#include <cstdio>

#include "console/CommandOutcome.h"
#include "console/Commands.h"
#include "paint/PaintSession.h"
#include "paint/PaintableModel.h"
#include "scene/ModelListLock.h"
#include "scene/SceneState.h"

namespace {

// The model the command paints, or null after saying why there is none.
PaintableModel* target(char** args) {
    // A word that names no model is refused before anything is painted.
    auto it = args[0] ? models.find(args[0]) : models.end();
    if (args[0] && it == models.end()) {
        CommandOutcome::report(stdout, "invalid model name: %s\n", args[0]);
        return nullptr;
    }
    // A paintable current model wins over the model named.
    if (PaintableModel* current = dynamic_cast<PaintableModel*>(current_model))
        return current;
    if (!args[0]) {
        CommandOutcome::report(stdout, "usage: paint [<moelname>]\n");
        return nullptr;
    }
    PaintableModel* named = dynamic_cast<PaintableModel*>(it->second);
    if (!named)
        CommandOutcome::report(stdout, "not a paintable model: %s\n", args[0]);
    return named;
}

}  // namespace

void cmd_paint(char** args) {
    ModelListLock lock("paint - mutex lock error", "paint - mutex unlock error", ModelListLock::kLine);
    // The command is a stroke of its own: a mouse drag still painting ends its stroke here.
    if (paint_session)
        paint_session->endDrag();
    PaintableModel* model = target(args);
    if (!model)
        return;
    if (paint_session)
        paint_session->paintStroke(*model, brush);
    else
        model->paintModel(brush);
    if (model->lastPaintChanges().empty())
        CommandOutcome::report(stdout, "the brush does not reach '%s'\n", model->name());
}
