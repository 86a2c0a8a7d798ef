#pragma once

// The path of the brush through one drag. Motion events come far apart in a
// quick drag, so the dabs are laid along the path between them, one every
// `spacing` times the brush's outer radius, carried on from one event to the
// next; a drag painted that way leaves a line rather than a row of dots.
class BrushModel;
class PaintableModel;
class PaintSession;

class DragStroke {
public:
    // The most dabs one move lays; a longer move spaces them wider.
    static const int kMostDabs = 4096;

    // A piece of the drag begins where the brush is: the next move dabs
    // there first. The spacing of the dabs before does not carry on.
    void begin();
    // Puts the brush's centre at `at` without painting, and begins there.
    void jumpTo(BrushModel& brush, const double* at);
    // Moves the brush's centre from where it is to `to`, dabbing on model
    // (null: none) along the way through session (null: on the model alone).
    void moveTo(BrushModel& brush, const double* to, PaintableModel* model, PaintSession* session);

    static void place(BrushModel& brush, const double* at);

private:
    static void dab(BrushModel& brush, const double* at, PaintableModel& model, PaintSession* session);

    double sinceDab_ = 0.0;  // path walked since the last dab
    bool dabbed_ = false;    // this piece of the drag has laid its first dab
};
