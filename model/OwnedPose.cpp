// Copying and releasing poses whose key strings belong to the pose. The keys
// are malloc'ed (strdup) and released with free, one per entry.
#include "model/OwnedPose.h"

#include <cstdlib>
#include <cstring>

position* copyPoseOwningNames(const position& pose) {
    position* copy = new position;
    for (const auto& entry : pose) {
        char* name = strdup(entry.first);
        if (name)
            (*copy)[name] = entry.second;
    }
    return copy;
}

void freePoseOwningNames(position* pose) {
    if (!pose)
        return;
    for (const auto& entry : *pose)
        std::free(const_cast<char*>(entry.first));
    delete pose;
}
