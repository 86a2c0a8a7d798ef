// Window input. Picking draws the brush and every model's handles in
// selection mode through the same projection, view and scene transform as
// the frame, so a drag follows the cursor at the depth that was picked. A
// handle under the cursor is picked before the brush, and its drag goes to
// the model whose handle it is.
// Key and motion handlers take the model-list mutex around their use of the
// current model, so the console may select, delete or change models at any
// moment; they run outside display and the timer, so they never nest it.
// Every key, press and drag asks for a frame: the window draws only when asked.
// A drag that paints lays its dabs along the path (DragStroke), not only
// where the motion events fall.
#include "viewer/Input.h"

#include <GL/glu.h>
#include <GL/glut.h>

#include <string>
#include <vector>

#include "paint/PaintSession.h"
#include "paint/PaintableModel.h"
#include "paint/brush/BrushModel.h"
#include "scene/ModelListLock.h"
#include "scene/SceneState.h"
#include "viewer/BrushGestures.h"
#include "viewer/HandlePick.h"
#include "viewer/Render.h"
#include "viewer/WindowState.h"

namespace {

const int kSelectBufferSize = 512;
const GLfloat kFarDepth = 99999.0f;
// The buttons freeglut reports the wheel's notches as.
const int kWheelUp = 3;
const int kWheelDown = 4;

WindowState& win = window_state;

// Draws the brush and every model's handles in selection mode under a pick
// matrix around (x, y); returns the hit count, negative on overflow. A
// model's handles are named under its tag: its place in owners, from 1.
GLint selectionPass(int x, int y, GLuint* buffer, std::vector<std::string>& owners) {
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glSelectBuffer(kSelectBufferSize, buffer);
    glRenderMode(GL_SELECT);
    glInitNames();
    glPushName(0);

    glPushMatrix();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPickMatrix(x, viewport[3] - y, 5.0, 5.0, viewport);
    setUpProjection(viewport[2], viewport[3]);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    setUpView();
    setUpModelTransform();
    {
        ModelListLock lock("display - mutex lock error", "display - mutex unlock error", ModelListLock::kNoNewline);
        glPushMatrix();
        glLoadName(brush_selection_name);
        if (brush)
            brush->draw();
        glPopMatrix();
        // Only handles and the brush can be hit: model bodies are not drawn.
        for (auto& entry : models) {
            owners.push_back(entry.first);
            glLoadName(static_cast<GLuint>(owners.size()));
            glPushName(0);  // the handle numbers take this place
            entry.second->drawHandles(GL_SELECT);
            glPopName();
        }
    }
    glPopMatrix();
    glFlush();

    const GLint hits = glRenderMode(GL_RENDER);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    setUpProjection(viewport[2], viewport[3]);
    return hits;
}

void pick(int x, int y, const Tuple2fT& pnt) {
    GLuint buffer[kSelectBufferSize];
    std::vector<std::string> owners;
    const GLint hits = selectionPass(x, y, buffer, owners);
    if (hits < 1) {
        // No hit, or the buffer overflowed: the press starts a drag on the
        // current model's surface when painting, else a rotation.
        win.selected_handle = -1;
        win.dragging_brush = false;
        if (startSurfaceDrag(x, y))
            return;
        win.lastRotation = win.currentRotation;
        win.arcBall.click(&pnt);
        return;
    }
    HandleHit handle;
    if (nearestHandleHit(hits, buffer, handle) && handle.owner >= 1 && handle.owner <= owners.size()) {
        // Taken before the brush, whose wire runs through the handles.
        win.selected_handle = static_cast<int>(handle.handle);
        win.handle_owner = owners[handle.owner - 1];
        win.dragging_brush = false;
        win.last_z = handle.depth;
    } else {
        win.selected_handle = processHits(hits, buffer);
        win.dragging_brush = win.selected_handle == static_cast<int>(brush_selection_name);
        if (win.dragging_brush) {
            win.selected_handle = -1;
            win.stroke.begin();
        }
    }
    setUpView();
    setUpLight();
    setUpModelTransform();
    getClickLocation(x, y, win.last_z, win.last_click);
}

// Moves the dragged handle or the brush by the cursor's motion in scene
// space at the picked depth, painting with the brush in paint mode.
void dragTo(int x, int y) {
    setUpView();
    setUpModelTransform();
    GLdouble this_click[3];
    getClickLocation(x, y, win.last_z, this_click);
    const double dx = this_click[0] - win.last_click[0];
    const double dy = this_click[1] - win.last_click[1];
    const double dz = this_click[2] - win.last_click[2];
    for (int i = 0; i < 3; ++i)
        win.last_click[i] = this_click[i];

    ModelListLock lock;
    if (win.selected_handle >= 0) {
        // The model whose handle was picked, unless the console deleted it
        // since. A paintable model's handles live in its own (turned, scaled) space.
        const unsigned int handle = static_cast<unsigned int>(win.selected_handle);
        auto owner = models.find(win.handle_owner.c_str());
        AnimatedModel* model = owner == models.end() ? nullptr : owner->second;
        if (PaintableModel* placed = dynamic_cast<PaintableModel*>(model))
            placed->moveHandleInScene(handle, dx, dy, dz);
        else if (model)
            model->adjustHandle(handle, dx, dy, dz);
    } else if (brush) {
        const double to[3] = {brush->getAttribute("x") + dx, brush->getAttribute("y") + dy,
                              brush->getAttribute("z") + dz};
        PaintableModel* paintable = dynamic_cast<PaintableModel*>(current_model);
        win.stroke.moveTo(*brush, to, painting ? paintable : nullptr, paint_session);
    }
}

}  // namespace

unsigned char bindingLookupKey(unsigned char key) {
    return key >= 'A' && key <= 'Z' ? static_cast<unsigned char>(key - 'A' + 'a') : key;
}

double bindingAmount(unsigned char key, double step) {
    const double amount = key <= 0x60 ? step : -step;
    return static_cast<double>(static_cast<float>(amount));
}

void keyCallback(unsigned char key, int, int) {
    switch (key) {
        case 'x': win.modelTrans[0] -= 1.0; break;
        case 'X': win.modelTrans[0] += 1.0; break;
        case 'y': win.modelTrans[1] -= 1.0; break;
        case 'Y': win.modelTrans[1] += 1.0; break;
        case 'z': win.modelTrans[2] -= 1.0; break;
        case 'Z': win.modelTrans[2] += 1.0; break;
        default: break;
    }
    {
        ModelListLock lock;
        const unsigned char lookup = bindingLookupKey(key);
        if (current_model && current_controls) {
            auto binding = current_controls->find(static_cast<char>(lookup));
            if (binding != current_controls->end())
                current_model->adjustAttribute(binding->second, bindingAmount(key, control_step));
        }
    }
    glutPostRedisplay();
}

void mouseCallback(int button, int state, int x, int y) {
    // The wheel's notches come as presses of buttons 3 and 4 (and their
    // releases); they leave a drag in progress alone.
    if (button == kWheelUp || button == kWheelDown) {
        if (state == GLUT_DOWN) {
            wheelNotch(button == kWheelUp, (glutGetModifiers() & GLUT_ACTIVE_CTRL) != 0);
            glutPostRedisplay();
        }
        return;
    }
    Tuple2fT pnt;
    pnt.s.X = static_cast<GLfloat>(x);
    pnt.s.Y = static_cast<GLfloat>(y);
    if (button == GLUT_RIGHT_BUTTON && state == GLUT_DOWN) {
        Matrix3fSetIdentity(&win.lastRotation);
        Matrix3fSetIdentity(&win.currentRotation);
        Matrix4fSetRotationFromMatrix3f(&win.transformMatrix, &win.currentRotation);
    } else if (button == GLUT_LEFT_BUTTON && state == GLUT_DOWN) {
        if ((glutGetModifiers() & GLUT_ACTIVE_SHIFT) && pickColourUnder(x, y)) {
            // A pick is a click of its own: no drag follows it.
            win.selected_handle = -1;
            win.dragging_brush = false;
            win.surface_drag = false;
            win.leftDown = false;
            glutPostRedisplay();
            return;
        }
        pick(x, y, pnt);
    }
    if (button == GLUT_LEFT_BUTTON && state == GLUT_UP) {
        // Releasing the button ends the stroke a painting drag opened.
        ModelListLock lock;
        if (paint_session)
            paint_session->endDrag();
        win.surface_drag = false;
    }
    win.leftDown = (button == GLUT_LEFT_BUTTON && state == GLUT_DOWN);
    glutPostRedisplay();
}

void mouseMotionCallback(int x, int y) {
    if (!win.leftDown)
        return;
    glutPostRedisplay();
    if (win.surface_drag) {
        surfaceDragTo(x, y);
        return;
    }
    if (win.selected_handle >= 0 || win.dragging_brush) {
        dragTo(x, y);
        return;
    }
    Tuple2fT pnt;
    pnt.s.X = static_cast<GLfloat>(x);
    pnt.s.Y = static_cast<GLfloat>(y);
    Tuple4fT quat;
    win.arcBall.drag(&pnt, &quat);
    Matrix3fSetRotationFromQuat4f(&win.currentRotation, &quat);
    Matrix3fMulMatrix3f(&win.currentRotation, &win.lastRotation);
    Matrix4fSetRotationFromMatrix3f(&win.transformMatrix, &win.currentRotation);
}

int processHits(GLint hits, GLuint* buffer) {
    int result = -1;
    GLfloat nearest = kFarDepth;
    const GLuint* record = buffer;
    for (GLint i = 0; i < hits; ++i) {
        const GLuint names = record[0];
        if (names > 0) {
            const GLfloat depth = static_cast<GLfloat>(record[1] / 4294967296.0);
            if (depth < nearest) {  // equal depths keep the earlier record
                nearest = depth;
                win.last_z = depth;
                result = static_cast<int>(record[3]);
            }
        }
        record += names + 3;
    }
    return result;
}

void getClickLocation(int x, int y, GLfloat z, GLdouble* ret) {
    GLdouble modelview[16];
    GLdouble projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    gluUnProject(x, viewport[3] - y, z, modelview, projection, viewport, &ret[0], &ret[1], &ret[2]);
}
