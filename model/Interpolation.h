// The curve formulas of the animation engine and of speed control, as pure
// functions of plain numbers.
#pragma once

// Linear steps add a fixed per-tick increment.
double interpolateLinear(double value, double increment);
// Ease in and out: (1 - cos(pi t)) / 2.
double sineEase(double t);
double interpolateSine(double start, double change, double t);
double interpolateHarmonic(double start, double change, double t);
// P0 at t = 0, P3 at t = 1, P1 and P2 only shape the curve.
double cubicBezier(double p0, double p1, double p2, double p3, double t);
// Tension one half: P1 at t = 0, P2 at t = 1, P0 and P3 the neighbours.
double catmullRom(double p0, double p1, double p2, double p3, double t);
