// What the mouse does with the brush besides dragging it in a plane: a
// painting drag that starts on the current model keeps the brush on its
// surface, Shift+click picks the brush's colour off the skin, and the wheel
// moves the scene nearer or farther, or with Ctrl sizes the brush.
#pragma once

// A left press that hit neither the brush nor a handle: with painting and
// surface following on, when the ray through (x, y) meets the current
// (paintable) model, the brush goes there, dabs, and the drag follows the surface.
bool startSurfaceDrag(int x, int y);
// The cursor of a surface drag moved to (x, y).
void surfaceDragTo(int x, int y);
// Shift+click: the brush takes the colour of the texel under (x, y) on the
// current model; false when the cursor is not over a paintable model.
bool pickColourUnder(int x, int y);
// One wheel notch, away from the user (up) or towards; with Ctrl held it sizes the brush.
void wheelNotch(bool up, bool ctrl);
