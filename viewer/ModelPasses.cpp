// Model passes of the timer tick and the frame. The caller holds the
// model-list mutex; models are visited in name order, the brush included,
// and their handles drawn after all of them.
#include "viewer/ModelPasses.h"

#include "scene/SceneState.h"

namespace {

void setHandleMaterial() {
    // Blending is never on, so the alpha of the handle colour shows nothing.
    const GLfloat diffuse[] = {handle_color[0].load(), handle_color[1].load(), handle_color[2].load(), 0.0f};
    glMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
}

}  // namespace

bool stepModels() {
    bool moved = false;
    for (auto& entry : models) {
        moved = moved || entry.second->isMoving();
        entry.second->step();
    }
    return moved;
}

void drawModels() {
    for (auto& entry : models) {
        entry.second->draw();
        // Set after every model as it always was: a model that sets no colour of its own
        // takes the handle colour.
        setHandleMaterial();
    }
    // Handles come last and over everything: one at a model's origin lies
    // inside its body, and the brush's wire runs through the others.
    glDisable(GL_DEPTH_TEST);
    for (auto& entry : models)
        entry.second->drawHandles(GL_RENDER);
    glEnable(GL_DEPTH_TEST);
}
