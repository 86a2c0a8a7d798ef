// Small types shared by every model and by the viewer and console that drive them.
#pragma once

#include <cstring>
#include <map>

// Orders every map keyed by a C string by its text (strcmp), not by pointer.
struct cmp_str {
    bool operator()(const char* a, const char* b) const { return std::strcmp(a, b) < 0; }
};

// A pose: attribute name to value.
typedef std::map<const char*, double, cmp_str> position;

// A control scheme: key character to the attribute name it drives.
typedef std::map<char, const char*> control_map;

// The underlying type is fixed because numbers outside the list are read from
// files and must be storable as they are.
enum interpolation_type : int {
    INT_LINEAR = 0,
    INT_SIN = 1,
    INT_HARMONIC = 2,
    INT_CUBIC_BEZIER = 3,
    INT_CATMULL_ROM = 4
};

// What a script does once its last step has been played.
enum script_behavior : int { SCR_TERMINATE = 0, SCR_REPEAT = 1, SCR_REVERSE = 2, SCR_REVERSE_ONCE = 3 };

// A draggable handle: its offset from the model's position.
struct handle_t {
    double x;
    double y;
    double z;
};
