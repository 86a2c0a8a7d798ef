// The Boxlet model class and its registration. The textures are read when the
// model is created, on the console's thread; modelInit runs on the GL thread
// at the first draw and builds the cube in a fixed order, so that the indices
// it prints are always 0..n-1. Each face shows one quarter of one of the two
// textures "./tiles.bmp" and "./tiles2.bmp", or the sample ones beside the
// executable when the working directory has none.
#include "plugins/boxlet/Boxlet.h"

#include <string>

#include "plugins/ClassRegistry.h"
#include "plugins/RuntimePaths.h"
#include "scene/AsyncOutput.h"

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

// "<label>: <i0,i1,...>" and a newline.
template <size_t N>
std::string indexList(const char* label, const int (&indices)[N]) {
    std::string line = std::string(label) + ": <";
    for (size_t i = 0; i < N; ++i)
        line += (i ? "," : "") + std::to_string(indices[i]);
    return line + ">\n";
}

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

    const int names[2] = {static_cast<int>(skinOfTexture(tex[0])), static_cast<int>(skinOfTexture(tex[1]))};
    // One message, so that the lists come out together above the console's prompt.
    AsyncOutput::write(stdout, indexList("vectors", v) + indexList("triangles", t) + indexList("normals", n) +
                                   indexList("textures", names) + indexList("texCoords", tc));
}
