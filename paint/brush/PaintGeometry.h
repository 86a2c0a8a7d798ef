#pragma once

// Plain-number helpers of the painter. Points are arrays of three floats;
// results are rounded to float where the painter stores them.

const double TWO_PI = 6.283185307179586;

float distanceBetween(const float* a, const float* b);
// Parameter in [0, 1] of the point of segment a-b nearest to p (NaN if a == b).
float nearestPointOnLine(const float* a, const float* b, const float* p);
// Distance from p to the segment a-b (NaN if a == b).
float distanceToLine(const float* a, const float* b, const float* p);
// Angle at center between the directions to p1 and p2, in radians.
float calcAngle(const float* center, const float* p1, const float* p2);

// Whether point lies strictly inside the sphere (a point on its surface is
// outside); dist receives the point's distance from the centre, the squares
// summed and kept as float axis by axis.
bool insideSphere(const float* center, double radius, const float* point, float& dist);

// Weight of the brush colour at dist from the brush centre: base_opacity up to
// the solid radius, falling linearly to 0 at the outer radius.
double brushFalloff(double base_opacity, float dist, float solid_dim1, float dim1);

// A colour attribute (nominally 0..1) as a paint byte: truncated value of
// channel * 255, kept modulo 256.
unsigned char paintColorByte(double channel);
