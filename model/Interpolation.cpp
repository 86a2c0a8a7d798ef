// Interpolation formulas shared by the engine and speed control. The sums are
// evaluated term by term in a fixed order so that results are reproducible.
#include "model/Interpolation.h"

#include <cmath>

namespace {
const double kPi = 3.141592653589793;
const double kHalfPi = 1.5707963267948966;
}  // namespace

double interpolateLinear(double value, double increment) {
    return value + increment;
}

double sineEase(double t) {
    return 0.5 * std::sin(t * kPi - kHalfPi) + 0.5;
}

double interpolateSine(double start, double change, double t) {
    return start + change * sineEase(t);
}

double interpolateHarmonic(double start, double change, double t) {
    return interpolateSine(start, change, t);
}

double cubicBezier(double p0, double p1, double p2, double p3, double t) {
    double u = 1.0 - t;
    return u * u * u * p0 + 3.0 * t * u * u * p1 + 3.0 * t * t * u * p2 + t * t * t * p3;
}

double catmullRom(double p0, double p1, double p2, double p3, double t) {
    double t2 = t * t;
    double t3 = t2 * t;
    return (-0.5 * t3 + t2 - 0.5 * t) * p0 + (1.5 * t3 - 2.5 * t2 + 1.0) * p1 + (-1.5 * t3 + 2.0 * t2 + 0.5 * t) * p2 +
           (0.5 * t3 - 0.5 * t2) * p3;
}
