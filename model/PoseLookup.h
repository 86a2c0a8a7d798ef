// Reading values out of poses by attribute name, where a name the pose lacks
// reads as 0: one value at a time, or a whole walk in name order.
#pragma once

#include "model/ModelTypes.h"

// The value of name in pose; 0 when either is null or the pose lacks the name.
double poseValue(const position* pose, const char* name);

// Forward-only lookup in a map ordered like the pose being walked: the pose's
// names come in ascending order, so each search resumes where the previous one
// stopped instead of descending the tree again for every name, every tick.
class OrderedCursor {
public:
    explicit OrderedCursor(position& map) : it(map.begin()), end(map.end()) {}

    // The value stored under `name`, or null; names must be asked for in ascending order.
    // Kept in the header: the engine asks once per attribute and tick.
    double* find(const char* name) {
        cmp_str less;
        // The engine's maps share the attributes' key pointers, so most hits need no strcmp.
        if (it != end && it->first != name) {
            while (it != end && less(it->first, name))
                ++it;
            if (it == end || less(name, it->first))
                return nullptr;
        }
        if (it == end)
            return nullptr;
        double* value = &it->second;
        ++it;
        return value;
    }

    // The value find would return, or 0 when it finds none.
    double valueOrZero(const char* name) {
        const double* value = find(name);
        return value ? *value : 0.0;
    }

private:
    position::iterator it;
    position::iterator end;
};
