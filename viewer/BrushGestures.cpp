// The brush's mouse gestures. Only the ray through the cursor needs GL: it
// runs from the near to the far plane of the frame's projection, view and
// scene transform, and the model's surface is asked the rest without GL.
#include "viewer/BrushGestures.h"

#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "paint/PaintSession.h"
#include "paint/PaintableModel.h"
#include "paint/SurfaceProbe.h"
#include "paint/brush/BrushModel.h"
#include "scene/AsyncOutput.h"
#include "scene/ModelListLock.h"
#include "scene/SceneState.h"
#include "viewer/Render.h"
#include "viewer/WindowState.h"

namespace {

WindowState& win = window_state;

// A wheel notch with Ctrl sizes both radii by this factor (or its inverse).
const double kBrushNotch = 1.1;

// The frame's projection, view and scene transform, to unproject window points with.
struct FrameView {
    GLdouble modelview[16], projection[16];
    GLint viewport[4];

    FrameView() {
        setUpView();
        setUpModelTransform();
        glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        glGetIntegerv(GL_VIEWPORT, viewport);
    }

    // The scene points under (x, y) on the near and the far plane.
    void rayUnder(double x, double y, double* from, double* through) const {
        const double row = viewport[3] - y;
        gluUnProject(x, row, 0.0, modelview, projection, viewport, &from[0], &from[1], &from[2]);
        gluUnProject(x, row, 1.0, modelview, projection, viewport, &through[0], &through[1], &through[2]);
    }
};

// A surface drag follows the cursor's path in steps of at most this many
// pixels, so between two far-apart motion events its line keeps to the
// surface instead of cutting straight through a curved body.
const double kSurfaceStepPixels = 3.0;
// The most steps one motion event takes; a longer move takes longer steps.
const int kMostSurfaceSteps = 256;

// Where the ray under (x, y) meets the current model; null when it is not paintable or is missed.
PaintableModel* surfaceUnder(const double* from, const double* through, SurfaceRay::Hit& hit) {
    PaintableModel* model = dynamic_cast<PaintableModel*>(current_model);
    return model && SurfaceProbe(*model).underRay(from, through, hit) ? model : nullptr;
}

}  // namespace

bool startSurfaceDrag(int x, int y) {
    win.surface_drag = false;
    if (!painting || !surface_painting)
        return false;
    double from[3], through[3];
    FrameView().rayUnder(x, y, from, through);
    ModelListLock lock;
    SurfaceRay::Hit hit;
    PaintableModel* model = brush ? surfaceUnder(from, through, hit) : nullptr;
    if (!model)
        return false;
    win.surface_drag = true;
    win.surface_cursor[0] = x;
    win.surface_cursor[1] = y;
    win.surface_left = false;
    win.stroke.jumpTo(*brush, hit.point);
    win.stroke.moveTo(*brush, hit.point, model, paint_session);
    return true;
}

void surfaceDragTo(int x, int y) {
    const FrameView view;
    const double x0 = win.surface_cursor[0], y0 = win.surface_cursor[1];
    win.surface_cursor[0] = x;
    win.surface_cursor[1] = y;
    const double dx = x - x0, dy = y - y0;
    const int steps =
        std::min(kMostSurfaceSteps, std::max(1, static_cast<int>(std::ceil(std::hypot(dx, dy) / kSurfaceStepPixels))));
    ModelListLock lock;
    for (int i = 1; i <= steps; ++i) {
        const double f = static_cast<double>(i) / steps;
        double from[3], through[3];
        view.rayUnder(x0 + f * dx, y0 + f * dy, from, through);
        SurfaceRay::Hit hit;
        PaintableModel* model = brush ? surfaceUnder(from, through, hit) : nullptr;
        if (!model) {
            // Off the model the brush waits where it last touched; coming back
            // elsewhere starts a new piece of the line rather than joining the two.
            win.surface_left = true;
            continue;
        }
        if (win.surface_left) {
            win.surface_left = false;
            win.stroke.jumpTo(*brush, hit.point);
        }
        if (!painting)
            DragStroke::place(*brush, hit.point);
        else
            win.stroke.moveTo(*brush, hit.point, model, paint_session);
    }
}

bool pickColourUnder(int x, int y) {
    double from[3], through[3];
    FrameView().rayUnder(x, y, from, through);
    ModelListLock lock;
    SurfaceRay::Hit hit;
    PaintableModel* model = brush ? surfaceUnder(from, through, hit) : nullptr;
    double rgb[3];
    if (!model)
        return false;
    if (!SurfaceProbe(*model).colourAt(hit, rgb)) {
        AsyncOutput::printf(stdout, "no skin under the cursor on '%s'\n", model->name());
        return true;
    }
    brush->setAttribute("red", rgb[0]);
    brush->setAttribute("green", rgb[1]);
    brush->setAttribute("blue", rgb[2]);
    AsyncOutput::printf(stdout, "picked %.3f %.3f %.3f\n", rgb[0], rgb[1], rgb[2]);
    return true;
}

void wheelNotch(bool up, bool ctrl) {
    if (!ctrl) {
        // As the Z key moves the scene nearer, z farther.
        win.modelTrans[2] += up ? 1.0 : -1.0;
        return;
    }
    ModelListLock lock;
    if (!brush)
        return;
    const double factor = up ? kBrushNotch : 1.0 / kBrushNotch;
    // The solid radius may not pass the outer one: the outer grows first and shrinks last.
    const char* order[2] = {"dim1", "solid_dim1"};
    if (!up)
        std::swap(order[0], order[1]);
    for (const char* radius : order)
        brush->setAttribute(radius, brush->getAttribute(radius) * factor);
}
