// Dabs along a drag's path. Each dab is a paint call of its own, so a texel
// takes each dab at most once, as with a dab per event; the dabs of one drag
// all fall in the stroke the session opened for it, one undo step.
#include "paint/DragStroke.h"

#include <algorithm>
#include <cmath>

#include "paint/PaintSession.h"
#include "paint/PaintableModel.h"
#include "paint/brush/BrushModel.h"

void DragStroke::begin() {
    sinceDab_ = 0.0;
    dabbed_ = false;
}

void DragStroke::jumpTo(BrushModel& brush, const double* at) {
    place(brush, at);
    begin();
}

void DragStroke::place(BrushModel& brush, const double* at) {
    brush.setAttribute("x", at[0]);
    brush.setAttribute("y", at[1]);
    brush.setAttribute("z", at[2]);
}

void DragStroke::dab(BrushModel& brush, const double* at, PaintableModel& model, PaintSession* session) {
    place(brush, at);
    if (session)
        session->paintInDrag(model, &brush);
    else
        model.paintModel(&brush);
}

void DragStroke::moveTo(BrushModel& brush, const double* to, PaintableModel* model, PaintSession* session) {
    const double from[3] = {brush.getAttribute("x"), brush.getAttribute("y"), brush.getAttribute("z")};
    if (!model) {
        place(brush, to);
        return;
    }
    if (!dabbed_) {
        dabbed_ = true;
        sinceDab_ = 0.0;
        dab(brush, from, *model, session);
    }
    const double d[3] = {to[0] - from[0], to[1] - from[1], to[2] - from[2]};
    const double length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    double step = brush.getAttribute("spacing") * brush.getAttribute("dim1");
    if (!(length > 0.0) || !std::isfinite(length) || !(step > 0.0)) {
        place(brush, to);
        return;
    }
    step = std::max(step, length / kMostDabs);
    // The first dab of this move is where the last move's spacing runs out.
    double lastDab = -sinceDab_;
    for (double at = std::max(lastDab + step, 0.0); at <= length; at += step) {
        const double f = at / length;
        const double point[3] = {from[0] + f * d[0], from[1] + f * d[1], from[2] + f * d[2]};
        dab(brush, point, *model, session);
        lastDab = at;
    }
    sinceDab_ = length - lastDab;
    place(brush, to);
}
