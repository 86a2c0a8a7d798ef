// Walks selection hit records for the nearest handle; records are laid out as
// OpenGL writes them: name count, minimum and maximum depth, then the names.
#include "viewer/HandlePick.h"

bool nearestHandleHit(GLint hits, const GLuint* buffer, HandleHit& hit) {
    bool found = false;
    const GLuint* record = buffer;
    for (GLint i = 0; i < hits; ++i) {
        const GLuint names = record[0];
        const GLfloat depth = static_cast<GLfloat>(record[1] / 4294967296.0);
        if (names == 2 && (!found || depth < hit.depth)) {  // equal depths keep the earlier record
            hit.owner = record[3];
            hit.handle = record[4];
            hit.depth = depth;
            found = true;
        }
        record += names + 3;
    }
    return found;
}
