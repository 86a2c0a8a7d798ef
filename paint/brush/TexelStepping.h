// Shortcuts for the texel walk's float arithmetic that give bit for bit the
// floats the plain arithmetic gives: many quotients over one denominator, and
// many float steps taken at once. The walk using them hits the same texels as
// one that divides every sample and adds every step.
#pragma once

// Division of many numerators by one denominator, each quotient rounded
// to float just as dividing rounds it: through the reciprocal where that
// gives the same float, by dividing where it might not.
class FloatDivisor {
public:
    void set(double denominator);
    // out[i] = (v[i] - from) / den for i below n, each rounded to float.
    void fractions(const float* v, double from, int n, float* out) const;

    double den = 0, inv = 0;
    bool useInverse = false;
};

// The walk's t after stepping from t, one float sum at a time, until it
// is not below target or stops moving.
float stepUntil(float t, float step, double target);
