#pragma once

// Vector helpers shared by the mesh (face normals) and the painter (angles).
// Vectors are arrays of three floats.

// Scales v to unit length; a zero-length v is reported and left unchanged.
void normalize(float* v);

// out = v1 x v2, normalised.
void normCrossProd(float* v1, float* v2, float* out);
