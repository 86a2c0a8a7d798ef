// The overlay texts' font, freeglut's 24-point Times Roman bitmaps. In a
// window freeglut draws them; without one (freeglut not initialised) the same
// glyphs are drawn here with the same glBitmap calls.
#pragma once

// Draws one character at the current raster position and moves it on by the
// character's width, as glutBitmapCharacter does.
void drawOverlayCharacter(int character);
