// Whether the process renders into an offscreen framebuffer instead of a GLUT
// window. Code below the viewer asks before calling freeglut, which ends the
// process when it is called without glutInit.
#pragma once

// Once, on the GL thread, before the first frame: every later frame is drawn
// offscreen into a framebuffer of width x height.
void setWindowless(int width, int height);
// False in a process with a GLUT window.
bool windowless();
// The offscreen framebuffer's size; 0 in a process with a window.
int windowlessWidth();
int windowlessHeight();
