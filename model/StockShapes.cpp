// Spheres as freeglut builds them: a fan of `slices` meridians and `stacks`
// bands from the +z pole to the -z pole, one vertex per pole, unit normals,
// 16-bit indices drawn from client arrays. The sines are taken in double of a
// float angle and stored as float, as freeglut does: a different rounding
// would move vertices by a bit and pixels with them.
#include "model/StockShapes.h"

#include <GL/glut.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "model/Windowless.h"

namespace {

// Sine and cosine of `count`+1 angles evenly spaced over a whole turn (or a
// half turn), the last repeating the closing angle exactly. A negative count
// runs the circle the other way.
struct CircleTable {
    std::vector<GLfloat> sines;
    std::vector<GLfloat> cosines;

    CircleTable(int count, bool half) {
        const int size = std::abs(count);
        const GLfloat angle =
            (half ? 1 : 2) * static_cast<GLfloat>(M_PI) / static_cast<GLfloat>(count == 0 ? 1 : count);
        sines.resize(size + 1);
        cosines.resize(size + 1);
        sines[0] = 0.0f;
        cosines[0] = 1.0f;
        for (int i = 1; i < size; ++i) {
            const GLfloat at = angle * static_cast<GLfloat>(i);
            sines[i] = static_cast<GLfloat>(std::sin(static_cast<double>(at)));
            cosines[i] = static_cast<GLfloat>(std::cos(static_cast<double>(at)));
        }
        sines[size] = half ? 0.0f : sines[0];
        cosines[size] = half ? -1.0f : cosines[0];
    }
};

struct SphereMesh {
    std::vector<GLfloat> vertices;  // x, y, z per vertex
    std::vector<GLfloat> normals;
    int count = 0;  // vertices: the two poles and slices * (stacks - 1) between

    SphereMesh(GLfloat radius, int slices, int stacks) {
        if (slices <= 0 || stacks < 2)
            return;
        count = slices * (stacks - 1) + 2;
        const CircleTable around(-slices, false);
        const CircleTable down(stacks, true);
        add(0.0f, 0.0f, 1.0f, radius);
        for (int i = 1; i < stacks; ++i)
            for (int j = 0; j < slices; ++j)
                add(around.cosines[j] * down.sines[i], around.sines[j] * down.sines[i], down.cosines[i], radius);
        add(0.0f, 0.0f, -1.0f, radius);
    }

    void add(GLfloat x, GLfloat y, GLfloat z, GLfloat radius) {
        vertices.insert(vertices.end(), {x * radius, y * radius, z * radius});
        normals.insert(normals.end(), {x, y, z});
    }

    GLushort last() const { return static_cast<GLushort>(count - 1); }

    // One draw call per strip or loop, from client arrays, as freeglut draws;
    // it leaves both arrays disabled again and their pointers set.
    void drawParts(GLenum mode, const std::vector<GLushort>& indices, int parts, int per_part) const {
        for (int i = 0; i < parts; ++i)
            glDrawElements(mode, per_part, GL_UNSIGNED_SHORT, indices.data() + static_cast<size_t>(i) * per_part);
    }
    void bindArrays() const {
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_NORMAL_ARRAY);
        glVertexPointer(3, GL_FLOAT, 0, vertices.data());
        glNormalPointer(GL_FLOAT, 0, normals.data());
    }
    static void unbindArrays() {
        glDisableClientState(GL_VERTEX_ARRAY);
        glDisableClientState(GL_NORMAL_ARRAY);
    }
};

// A line strip down each meridian, pole to pole, then a line loop round each
// band between the poles.
void drawWire(const SphereMesh& mesh, int slices, int stacks) {
    std::vector<GLushort> meridians;
    for (int i = 0; i < slices; ++i) {
        meridians.push_back(0);
        for (int j = 0; j < stacks - 1; ++j)
            meridians.push_back(static_cast<GLushort>(1 + i + j * slices));
        meridians.push_back(mesh.last());
    }
    std::vector<GLushort> bands;
    for (int i = 0; i < stacks - 1; ++i)
        for (int j = 0; j < slices; ++j)
            bands.push_back(static_cast<GLushort>(1 + i * slices + j));
    mesh.bindArrays();
    mesh.drawParts(GL_LINE_STRIP, meridians, slices, stacks + 1);
    mesh.drawParts(GL_LINE_LOOP, bands, stacks - 1, slices);
    SphereMesh::unbindArrays();
}

// One triangle strip per band, each closed by repeating its first pair: the
// top band fans from the +z pole, the bottom one to the -z pole.
void drawSolid(const SphereMesh& mesh, int slices, int stacks) {
    std::vector<GLushort> strips;
    auto pair = [&strips](int a, int b) {
        strips.push_back(static_cast<GLushort>(a));
        strips.push_back(static_cast<GLushort>(b));
    };
    for (int j = 0; j < slices; ++j)
        pair(j + 1, 0);
    pair(1, 0);
    for (int i = 0; i < stacks - 2; ++i) {
        const int first = 1 + i * slices;
        for (int j = 0; j < slices; ++j)
            pair(first + j + slices, first + j);
        pair(first + slices, first);
    }
    const int first = 1 + (stacks - 2) * slices;
    for (int j = 0; j < slices; ++j)
        pair(mesh.last(), first + j);
    pair(mesh.last(), first);
    mesh.bindArrays();
    mesh.drawParts(GL_TRIANGLE_STRIP, strips, stacks, (slices + 1) * 2);
    SphereMesh::unbindArrays();
}

}  // namespace

void stockWireSphere(double radius, int slices, int stacks) {
    if (!windowless()) {
        glutWireSphere(radius, slices, stacks);
        return;
    }
    const SphereMesh mesh(static_cast<GLfloat>(radius), slices, stacks);
    if (mesh.count > 0)
        drawWire(mesh, slices, stacks);
}

void stockSolidSphere(double radius, int slices, int stacks) {
    if (!windowless()) {
        glutSolidSphere(radius, slices, stacks);
        return;
    }
    const SphereMesh mesh(static_cast<GLfloat>(radius), slices, stacks);
    if (mesh.count > 0)
        drawSolid(mesh, slices, stacks);
}
