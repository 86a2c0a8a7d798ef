// Model passes of the timer tick and the frame. The caller holds the
// model-list mutex; models are visited in name order, the brush included.
#include "viewer/ModelPasses.h"

#include "scene/SceneState.h"

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
        AnimatedModel* model = entry.second;
        model->draw();
        // Blending is never on, so the alpha of the handle colour shows nothing.
        const GLfloat diffuse[] = {handle_color[0].load(), handle_color[1].load(), handle_color[2].load(), 0.0f};
        glMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
        model->drawHandles(GL_RENDER);
    }
}
