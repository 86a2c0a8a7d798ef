// Keyboard, mouse and picking in the window: keys move the scene and drive
// the current model through the active bindings; a left press picks the
// brush or a handle, or starts an arcball rotation.
#pragma once

#include <GL/gl.h>

void keyCallback(unsigned char key, int x, int y);
void mouseCallback(int button, int state, int x, int y);
void mouseMotionCallback(int x, int y);
int processHits(GLint hits, GLuint* buffer);
void getClickLocation(int x, int y, GLfloat z, GLdouble* ret);

// The binding a key looks up: upper-case letters find the lower-case
// binding; every other key finds its own.
unsigned char bindingLookupKey(unsigned char key);
// Codes up to 0x60 raise the attribute, the others lower it; the step is
// passed on in single precision.
double bindingAmount(unsigned char key, double step);

// The selection name of the brush while picking.
const GLuint brush_selection_name = 216;
