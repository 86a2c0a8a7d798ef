// A pose that owns copies of its attribute names, so that it outlives the
// model or document its names came from (script steps, named console poses).
#pragma once

#include "model/ModelTypes.h"

// A new pose with the same values whose keys are private malloc'ed copies.
// A name that cannot be copied for want of memory is left out.
position* copyPoseOwningNames(const position& pose);

// Frees the pose's key strings and the pose itself; null is ignored.
void freePoseOwningNames(position* pose);
