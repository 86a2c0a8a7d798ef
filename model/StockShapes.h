// The spheres the renderer takes from freeglut: the brush's wire sphere and
// the handles' solid one. Without a window (freeglut not initialised) they are
// drawn by this program instead, with the vertices, normals, index order and
// GL calls freeglut uses, so both ways give the same pixels.
#pragma once

void stockWireSphere(double radius, int slices, int stacks);
void stockSolidSphere(double radius, int slices, int stacks);
