// The Boxlet model class and its registration. The textures are read when the
// model is created, on the console's thread; modelInit runs on the GL thread
// at the first draw and builds the cube in a fixed order, so that the indices
// it prints are always 0..n-1. Each face shows one quarter of one of the two
// textures "./tiles.bmp" and "./tiles2.bmp", or the sample ones beside the
// executable when the working directory has none.
#include "plugins/boxlet/Boxlet.h"

#include <cstdio>
#include <string>

#include "plugins/ClassRegistry.h"
#include "plugins/RuntimePaths.h"

namespace {

// Internal linkage: another plug-in's init can neither replace nor be mistaken for it.
__attribute__((constructor)) void init() {
    model_classes[const_cast<char*>("Boxlet")] = Boxlet::create;
}

const float kVertices[8][3] = {
    {-1, -1, -1}, {-1, -1, 1}, {1, -1, 1}, {1, -1, -1}, {-1, 1, -1}, {-1, 1, 1}, {1, 1, 1}, {1, 1, -1},
};
const float kNormals[6][3] = {{-1, 0, 0}, {1, 0, 0}, {0, -1, 0}, {0, 1, 0}, {0, 0, -1}, {0, 0, 1}};
const float kTexCoords[8][2] = {{0, 0}, {0, 0.5f}, {0.5f, 0}, {0.5f, 0.5f}, {0, 1}, {0.5f, 1}, {1, 0}, {1, 0.5f}};

// Per triangle: corners, face normal, texture (0 first, 1 second), corner coordinates.
struct CubeTriangle {
    int corners[3];
    int normal;
    int texture;
    int coords[3];
};
const CubeTriangle kTriangles[12] = {
    {{0, 2, 1}, 2, 0, {0, 3, 1}},                                // y = -1
    {{0, 3, 2}, 2, 0, {0, 2, 3}}, {{4, 5, 6}, 3, 1, {4, 1, 3}},  // y = +1
    {{4, 6, 7}, 3, 1, {4, 3, 5}}, {{0, 4, 7}, 4, 0, {1, 3, 5}},  // z = -1
    {{0, 7, 3}, 4, 0, {1, 5, 4}}, {{1, 5, 4}, 0, 0, {6, 7, 3}},  // x = -1
    {{1, 4, 0}, 0, 0, {6, 3, 2}}, {{2, 6, 5}, 5, 1, {0, 1, 3}},  // z = +1
    {{2, 5, 1}, 5, 1, {0, 3, 2}}, {{3, 7, 6}, 1, 1, {6, 7, 3}},  // x = +1
    {{3, 6, 2}, 1, 1, {6, 3, 2}},
};

// Texture assignment order: each first-texture triangle with a second-texture one.
const int kTexturePairs[6][2] = {{0, 2}, {1, 3}, {4, 8}, {5, 9}, {6, 10}, {7, 11}};

}  // namespace

Boxlet::Boxlet(const char* name) : PaintableModel(name) {
    class_name = "Boxlet";
    attributes["diffuse1_red"] = 0.2;
    attributes["diffuse1_green"] = 0.25;
    attributes["diffuse1_blue"] = 0.25;
}

Boxlet::~Boxlet() {}

AnimatedModel* Boxlet::create(const char* name) {
    Boxlet* box = new Boxlet(name);
    for (const char* file : {"tiles.bmp", "tiles2.bmp"})
        box->tiles_.push_back(Image::read(findSampleFile(file)));
    return box;
}

void Boxlet::modelInit() {
    int v[8], t[12], n[6], tc[8];
    for (int i = 0; i < 8; ++i)
        v[i] = addVertex(kVertices[i][0], kVertices[i][1], kVertices[i][2]);
    for (int i = 0; i < 12; ++i) {
        const int* c = kTriangles[i].corners;
        t[i] = addTriangle(v[c[0]], v[c[1]], v[c[2]]);
    }
    for (int i = 0; i < 6; ++i)
        n[i] = addNormal(kNormals[i][0], kNormals[i][1], kNormals[i][2]);
    for (unsigned int corner = 0; corner < 3; ++corner)
        for (int i = 0; i < 12; ++i)
            setNormal(t[i], corner, n[kTriangles[i].normal]);

    GLuint tex[2] = {0, 0};
    adoptTextures(tiles_, tex);
    tiles_.clear();
    for (const int* pair : kTexturePairs) {
        setTexture(t[pair[0]], tex[kTriangles[pair[0]].texture]);
        setTexture(t[pair[1]], tex[kTriangles[pair[1]].texture]);
    }

    for (int i = 0; i < 8; ++i)
        tc[i] = addTexCoord(kTexCoords[i][0], kTexCoords[i][1]);
    for (int i = 0; i < 12; ++i)
        for (unsigned int corner = 0; corner < 3; ++corner)
            setTexCoord(t[i], corner, tc[kTriangles[i].coords[corner]]);

    printf("vectors: <%i,%i,%i,%i,%i,%i,%i,%i>\n", v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
    printf("triangles: <%i,%i,%i,%i,%i,%i,%i,%i,%i,%i,%i,%i>\n", t[0], t[1], t[2], t[3], t[4], t[5], t[6], t[7], t[8],
           t[9], t[10], t[11]);
    printf("normals: <%i,%i,%i,%i,%i,%i>\n", n[0], n[1], n[2], n[3], n[4], n[5]);
    printf("textures: <%u,%u>\n", skinOfTexture(tex[0]), skinOfTexture(tex[1]));
    printf("texCoords: <%i,%i,%i,%i,%i,%i,%i,%i>\n", tc[0], tc[1], tc[2], tc[3], tc[4], tc[5], tc[6], tc[7]);
}
