// Path sampling, speed profile and frame counting for speed control. The
// parameter steps of 0.01 are accumulated in double precision on purpose: the
// sample count per segment (101 for the first, 100 after) depends on it.
#include "model/SpeedControl.h"

#include <cmath>

#include "model/Interpolation.h"

d_table samplePath(const std::vector<path_point>& points) {
    d_table table;
    size_t n = points.size();
    if (n < 3)
        return table;
    table.reserve((n - 1) * 100 + 2);
    // The first point doubles as its own predecessor; the last as its successor.
    size_t before = 0, start = 0, end = 1, after = 2;
    double t = 0.0;
    double t_base = 0.0;
    while (end < n) {
        if (t <= 1.01) {
            d_table_entry e;
            const path_point& p0 = points[before];
            const path_point& p1 = points[start];
            const path_point& p2 = points[end];
            const path_point& p3 = points[after];
            e.t = t + t_base;
            e.value1 = catmullRom(p0[0], p1[0], p2[0], p3[0], t);
            e.value2 = catmullRom(p0[1], p1[1], p2[1], p3[1], t);
            e.value3 = catmullRom(p0[2], p1[2], p2[2], p3[2], t);
            if (table.empty()) {
                e.distance = 0.0;
            } else {
                const d_table_entry& prev = table.back();
                double d1 = e.value1 - prev.value1;
                double d2 = e.value2 - prev.value2;
                double d3 = e.value3 - prev.value3;
                e.distance = prev.distance + std::sqrt(d1 * d1 + d2 * d2 + d3 * d3);
            }
            table.push_back(e);
            t += 0.01;
        } else {
            t -= 1.0;
            t_base += 1.0;
            if (before != start)
                ++before;
            ++start;
            ++end;
            ++after;
            if (after >= n)
                after = n - 1;
        }
    }
    return table;
}

double topSpeed(double accel, double decel) {
    return 1.0 / (accel / 2.0 + (1.0 - decel - accel) + decel / 2.0);
}

double travelledFraction(double r, double accel, double decel, double speed) {
    if (r <= accel)
        return speed * r * r / (2.0 * accel);
    if (r <= 1.0 - decel)
        return (accel / 2.0 + (r - accel)) * speed;
    double u = r - (1.0 - decel);
    return (accel / 2.0 + (1.0 - decel - accel) + u * (1.0 + u / (-2.0 * decel))) * speed;
}

double frameParameter(const d_table& table, size_t& search, double target) {
    if (table.empty())
        return 0.0;
    while (search + 1 < table.size() && target > table[search].distance)
        ++search;
    if (search == 0)
        return table[0].t;
    const d_table_entry& prev = table[search - 1];
    const d_table_entry& found = table[search];
    double span = found.distance - prev.distance;
    // Two samples at the same distance (a piece of zero length) would divide by zero.
    if (!(span > 0.0))
        return found.t;
    double x = (target - prev.distance) / span;
    return prev.t + (found.t - prev.t) * x;
}

std::vector<int> countFrames(const std::vector<double>& t_vector) {
    std::vector<int> frame_vector;
    double bound = 0.0;
    int count = 0;
    for (double param : t_vector) {
        if (param > bound) {
            frame_vector.push_back(count);
            count = 0;
            bound += 1.0;
        }
        ++count;
    }
    // The final frame lies just past the last bound and opens a count that is
    // never appended; it belongs to the last segment.
    if (!frame_vector.empty())
        frame_vector.back() += 1;
    return frame_vector;
}
