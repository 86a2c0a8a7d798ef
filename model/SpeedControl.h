// The pieces of speed control that need no model: sampling the Catmull-Rom
// path through a script's poses, the trapezoid speed profile, and sorting
// frames into path segments.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

struct d_table_entry {
    double t;  // segment number plus the parameter within the segment
    double value1;
    double value2;
    double value3;
    double distance;  // chord length summed from the start of the path
};
typedef std::vector<d_table_entry> d_table;

typedef std::array<double, 3> path_point;

// Samples every segment at steps of 0.01; needs at least three points.
d_table samplePath(const std::vector<path_point>& points);
double topSpeed(double accel, double decel);
// Fraction of the path travelled at normalised time r.
double travelledFraction(double r, double accel, double decel, double speed);
// Curve parameter at the target distance; `search` only moves forward.
double frameParameter(const d_table& table, size_t& search, double target);
// Frames per segment, entry 0 holding frame 0; empty when no frame passes 0.
std::vector<int> countFrames(const std::vector<double>& t_vector);
