// The undo and redo commands. Every paintable model records its paint strokes
// and skin loads into the paint session's history; these commands take back
// or put back the latest step, whichever model it painted, under the
// model-list mutex. The session queues what changed for the window thread's
// next draw to upload.
#include <cstdio>

#include "console/Commands.h"
#include "paint/PaintSession.h"
#include "paint/PaintableModel.h"
#include "scene/ModelListLock.h"
#include "scene/SceneState.h"

namespace {

// The listed paintable model with this serial; called with the mutex held.
PaintableModel* modelWithSerial(unsigned long long serial) {
    for (const auto& entry : models) {
        PaintableModel* model = dynamic_cast<PaintableModel*>(entry.second);
        if (model && model->serial() == serial)
            return model;
    }
    return nullptr;
}

// Without a session there is no history, so nothing to take back or put back.
void step(PaintHistory::Outcome (PaintSession::*verb)(const PaintSession::ModelLookup&), const char* none) {
    ModelListLock lock;
    if (!paint_session) {
        std::puts(none);
        return;
    }
    std::puts(
        (paint_session->*verb)([](unsigned long long serial) { return modelWithSerial(serial); }).message.c_str());
}

}  // namespace

void cmd_undo(char**) {
    step(&PaintSession::undo, "nothing to undo");
}

void cmd_redo(char**) {
    step(&PaintSession::redo, "nothing to redo");
}
