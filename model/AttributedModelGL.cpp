// Drawing and picking of a model's handles: the only OpenGL of the model
// framework. Runs on the window thread with a current context; sets no
// material, the display pass chooses the handle colour.
#include "model/AttributedModel.h"

#include <GL/gl.h>

#include "model/StockShapes.h"

void AttributedModel::drawHandles(GLenum mode) {
    if (!showHandles)
        return;
    glPushMatrix();
    glTranslatef(static_cast<float>(getAttribute("x")), static_cast<float>(getAttribute("y")),
                 static_cast<float>(getAttribute("z")));
    drawHandleSpheres(mode, 1.0);
    glPopMatrix();
}

void AttributedModel::drawHandleSpheres(GLenum mode, double sphereScale) {
    for (size_t i = 0; i < handles.size(); ++i) {
        glPushMatrix();
        // Picking names start at 1; 0 means no handle was hit.
        if (mode == GL_SELECT)
            glLoadName(static_cast<GLuint>(i + 1));
        glTranslatef(static_cast<float>(handles[i].x), static_cast<float>(handles[i].y),
                     static_cast<float>(handles[i].z));
        if (sphereScale != 1.0)
            glScaled(sphereScale, sphereScale, sphereScale);
        stockSolidSphere(0.25, 9, 9);
        glPopMatrix();
    }
}
