// Shared by the paint and plug-in tests: files written byte by byte, apart from the code under test, and a GL window.
#pragma once

#include <GL/freeglut.h>
#include <gtest/gtest.h>
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include <algorithm>
#include <array>
#include <vector>

#include "paint/brush/BrushModel.h"
#include "paint/image/Image.h"
#include "paint/mesh/PolyMesh.h"
#include "tests/ScratchFiles.h"

namespace painttest {

typedef std::vector<unsigned char> Bytes;

// Stores value little-endian in size bytes at offset at, growing bytes to fit.
inline void putLe(Bytes& bytes, size_t at, uint32_t value, int size = 4) {
    bytes.resize(std::max(bytes.size(), at + size));
    for (int i = 0; i < size; ++i)
        bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

// Appends each value little-endian in size bytes.
inline void appendLe(Bytes& bytes, std::initializer_list<uint32_t> values, int size) {
    for (uint32_t v : values)
        putLe(bytes, bytes.size(), v, size);
}

inline Bytes gradient(int width, int height) {  // RGB, top row first; neighbours differ
    Bytes rgb(3 * width * height);
    for (size_t i = 0; i < rgb.size(); ++i)
        rgb[i] = static_cast<unsigned char>(i * 37 + i / (3 * width) * 53 + 11);
    return rgb;
}

// A 24-bit BMP of the gradient, or all of one grey (fill 0..255); bottom row first unless topDown.
inline Bytes makeBmp(int width, int height, int fill = -1, bool topDown = false) {
    const Bytes rgb = gradient(width, height);
    const uint32_t stride = (width * 3 + 3) / 4 * 4, size = stride * height;
    // {offset, value, bytes}: magic, file size, pixel offset, header size, sizes, planes, bits, pixel bytes, dpi.
    const uint32_t fields[][3] = {{0, 0x4D42, 2},
                                  {2, 54 + size, 4},
                                  {10, 54, 4},
                                  {14, 40, 4},
                                  {18, uint32_t(width), 4},
                                  {22, uint32_t(topDown ? -height : height), 4},
                                  {26, 1, 2},
                                  {28, 24, 2},
                                  {34, size, 4},
                                  {38, 2835, 4},
                                  {42, 2835, 4}};
    Bytes b(54 + size, 0);
    for (const auto& field : fields)
        putLe(b, field[0], field[1], field[2]);
    for (int row = 0; row < height; ++row)  // in file order
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)  // blue, green, red
                b[54 + row * stride + 3 * x + c] =
                    fill >= 0 ? fill : rgb[3 * ((topDown ? row : height - 1 - row) * width + x) + 2 - c];
    return b;
}

const std::string kConvert = "/usr/bin/convert";  // the distribution's, not a wrapper earlier on the PATH

// The picture ImageMagick reads from file: RGB, top row first; empty when convert fails.
inline Bytes magickPixels(const std::string& file) {
    FILE* p = popen((kConvert + " '" + file + "' -depth 8 ppm:- 2>/dev/null").c_str(), "r");
    int width = 0, height = 0, max = 0;
    Bytes rgb;
    if (p && fscanf(p, "P6 %d %d %d", &width, &height, &max) == 3 && max == 255 && fgetc(p) != EOF) {
        rgb.resize(static_cast<size_t>(width) * height * 3);
        rgb.resize(fread(rgb.data(), 1, rgb.size(), p));
    }
    return p && pclose(p) == 0 ? rgb : Bytes();
}

inline Bytes topFirst(const Image& image) {  // the picture as held, top row first
    Bytes rgb;
    const size_t row = 3 * static_cast<size_t>(image.width());
    for (int y = image.height() - 1; image.pixels() && y >= 0; --y)
        rgb.insert(rgb.end(), image.pixels() + y * row, image.pixels() + (y + 1) * row);
    return rgb;
}

// Makes a GL context current (a hidden GLUT window, once per process); false without a display.
inline bool ensureGlContext() {
    static int window = 0;
    if (!getenv("DISPLAY"))
        return false;
    if (window == 0) {
        int argc = 1;
        char name[] = "velmora_tests", *argv[] = {name, nullptr};
        if (!glutGet(GLUT_INIT_STATE))
            glutInit(&argc, argv);
        glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
        glutInitWindowSize(64, 64);
        window = glutCreateWindow("velmora tests");
        glutHideWindow();
#if defined(__SANITIZE_ADDRESS__)
        // The GL driver is unloaded before the sanitizer's own leak check could name its allocations.
        atexit([] { __lsan_do_leak_check(); });
#endif
    }
    glutSetWindow(window);
    return true;
}

inline Bytes texturePixels(GLuint name) {  // RGB of a 2D texture's level 0
    GLint width = 0, height = 0;
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    Bytes rgb(static_cast<size_t>(width) * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return rgb;
}

// A triangle with corners at and texture coordinates st, on texture; returns its index.
inline int addMapped(PolyMesh& mesh, const float (*at)[3], const float (*st)[2], GLuint texture) {
    const int tri =
        mesh.addTriangle(mesh.addVertex(at[0][0], at[0][1], at[0][2]), mesh.addVertex(at[1][0], at[1][1], at[1][2]),
                         mesh.addVertex(at[2][0], at[2][1], at[2][2]));
    for (int i = 0; i < 3; ++i)
        mesh.setTexCoord(tri, i, mesh.addTexCoord(st[i][0], st[i][1]));
    mesh.setTexture(tri, texture);
    return tri;
}

// A four-cornered face as the triangles 0 1 2 and 0 2 3, sharing their corners.
inline void addQuad(PolyMesh& mesh, const float (*at)[3], const float (*st)[2], GLuint texture) {
    int v[4], tc[4];
    for (int i = 0; i < 4; ++i) {
        v[i] = mesh.addVertex(at[i][0], at[i][1], at[i][2]);
        tc[i] = mesh.addTexCoord(st[i][0], st[i][1]);
    }
    for (const auto& three : {std::array<int, 3>{0, 1, 2}, std::array<int, 3>{0, 2, 3}}) {
        const int tri = mesh.addTriangle(v[three[0]], v[three[1]], v[three[2]]);
        for (int i = 0; i < 3; ++i)
            mesh.setTexCoord(tri, i, tc[three[i]]);
        mesh.setTexture(tri, texture);
    }
}

const float kSquareSt[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};

// The square (0, 0, 0) to (4, 4, 0), its texture coordinates covering the picture once.
inline void addSquare(PolyMesh& mesh, GLuint texture) {
    const float at[4][3] = {{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}};
    addQuad(mesh, at, kSquareSt, texture);
}

// A brush whose attributes are written straight, past the limits `set` keeps, as a script's animation does.
struct OpenBrush : BrushModel {
    using BrushModel::BrushModel;
    void put(const char* name, double value) { attributes[name] = value; }
};

}  // namespace painttest
