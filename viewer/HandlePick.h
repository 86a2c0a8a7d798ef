// Which model's handle a press hit. While picking, each model's handles are
// named under a tag for their model (hit records of two names: the tag, then
// the handle's number), the brush by its own single name, so a handle under
// the cursor is told apart from the brush and from other models' handles.
#pragma once

#include <GL/gl.h>

struct HandleHit {
    GLuint owner = 0;   // the tag of the model whose handle it is
    GLuint handle = 0;  // numbered from 1
    GLfloat depth = 0;  // window depth in 0..1 of the nearest point hit
};

// The nearest handle among the hit records (two names each; others are not
// handles and are passed over), or false when none was hit. Handles win over
// the brush whatever their depth: the brush's wire runs through and in front
// of the handles on and inside it, and a handle is what a press on it aims at.
bool nearestHandleHit(GLint hits, const GLuint* buffer, HandleHit& hit);
