// Single lookups in a pose; the ordered walk is all in the header so that the
// engine's per-tick loop keeps it inlined.
#include "model/PoseLookup.h"

double poseValue(const position* pose, const char* name) {
    if (!pose || !name)
        return 0.0;
    auto it = pose->find(name);
    return it == pose->end() ? 0.0 : it->second;
}
