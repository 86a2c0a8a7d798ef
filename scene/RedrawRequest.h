// Asking the window for a new frame from any thread. The window draws only
// when something changed; the console thread cannot post a redisplay itself
// (GLUT belongs to the window thread), so it raises a flag that the timer
// tick reads.
#pragma once

// Any thread: the next timer tick steps the models and draws a frame.
void requestRedraw();
// Window thread: whether a frame was asked for since the last call.
bool takeRedrawRequest();
