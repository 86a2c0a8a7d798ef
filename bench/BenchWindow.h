// A GLUT window of the benchmark binary's own, made the first time a
// benchmark asks for it; GLUT is started once for all of them.
#pragma once

#include <GL/freeglut.h>

#include <cstdlib>

// A double-buffered RGBA window with depth, size x size, titled title; 0 without an X display.
inline int openBenchWindow(const char* title, int size) {
    if (!std::getenv("DISPLAY"))
        return 0;
    if (!glutGet(GLUT_INIT_STATE)) {
        int argc = 1;
        char name[] = "velmora_bench", *argv[] = {name, nullptr};
        glutInit(&argc, argv);
    }
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(size, size);
    return glutCreateWindow(title);
}
