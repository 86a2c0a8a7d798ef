// Why the shortcuts give the plain results. Quotients: n * (1 / den) is
// checked against a neighbourhood wider than its error and divided afresh
// whenever that might round to another float. Steps: below the next power of
// two every float sum adds the same rounded step, so a run of them is one
// multiplication, taken only while no sum can reach that power.
#include "paint/brush/TexelStepping.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

// A quotient's neighbourhood, q (1 -+ 2^-48), checked for rounding to one float.
const double kBelow = 1.0 - 1.0 / 281474976710656.0, kAbove = 1.0 + 1.0 / 281474976710656.0;

// 2^e for e within the doubles' normal range.
double powerOfTwo(int e) {
    const uint64_t bits = static_cast<uint64_t>(e + 1023) << 52;
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Between two powers of two every float is a multiple of one unit, and
// t + step rounds to t plus step rounded to that unit, unless step lies
// halfway between two multiples. For a positive normal t, *inc receives that
// rounded step and *top the power of two above t; false when the sums
// cannot be told in advance.
bool evenSteps(float t, float step, double* inc, double* top) {
    if (!(t >= FLT_MIN))
        return false;
    uint32_t bits;
    std::memcpy(&bits, &t, sizeof bits);
    const int e = static_cast<int>((bits >> 23) & 0xff) - 127;  // t lies in [2^e, 2^(e+1))
    const double units = step * powerOfTwo(23 - e);             // step in units of 2^(e-23)
    *top = powerOfTwo(e + 1);
    if (units - std::floor(units) == 0.5)
        return false;
    *inc = std::floor(units + 0.5) * powerOfTwo(e - 23);
    return *inc > 0.0;
}

}  // namespace

void FloatDivisor::set(double denominator) {
    den = denominator;
    const double magnitude = std::fabs(denominator);
    useInverse = magnitude > 1e-300 && magnitude < 1e300;  // a reciprocal neither overflows nor underflows
    inv = useInverse ? 1.0 / denominator : 0.0;
}

// q = n * (1 / den) lies within three units of the last place of the
// rounded quotient n / den (each of the two roundings adds at most one
// unit, the quotient's own half a unit), well inside q (1 -+ 2^-48). When
// both ends round to the same float, so does everything between them,
// the quotient included.
void FloatDivisor::fractions(const float* v, double from, int n, float* out) const {
    bool doubtful = !useInverse;
    if (useInverse) {
        for (int i = 0; i < n; ++i) {
            const double q = (static_cast<double>(v[i]) - from) * inv;
            out[i] = static_cast<float>(q);
            doubtful |= static_cast<float>(q * kBelow) != static_cast<float>(q * kAbove);
        }
    }
    if (!doubtful)
        return;
    for (int i = 0; i < n; ++i) {
        const double q = (static_cast<double>(v[i]) - from) * inv;
        if (!useInverse || static_cast<float>(q * kBelow) != static_cast<float>(q * kAbove))
            out[i] = static_cast<float>((static_cast<double>(v[i]) - from) / den);
    }
}

// The steps whose sums stay below the next power of two are taken in one go;
// where evenSteps cannot tell the sums in advance, one float sum at a time.
float stepUntil(float t, float step, double target) {
    while (t < target) {
        double inc, top;
        if (evenSteps(t, step, &inc, &top)) {
            // k steps, the last landing at or above target, each sum below top.
            double k = std::fmin(std::ceil((target - t) / inc), std::floor((top - t - step) / inc) + 1);
            while (k > 1 && t + (k - 1) * inc >= target)
                k -= 1;
            while (k >= 1 && !(top - t - (k - 1) * inc > step))
                k -= 1;
            if (k >= 1) {
                t = static_cast<float>(t + k * inc);
                continue;
            }
        }
        const float next = t + step;
        if (next == t)
            break;
        t = next;
    }
    return t;
}
