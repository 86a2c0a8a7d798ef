// Indexed triangle mesh. Each triangle computes its unit face normal, centroid
// and bounding radius when it is added and again whenever the mesh is moved:
// painting relies on these to pick the triangles a brush can reach without
// touching the texels.
#include "paint/mesh/PolyMesh.h"

#include <cmath>

#include "paint/mesh/VectorMath.h"

// ---------------------------------------------------------------- elements

PolyMesh::Vertex::Vertex(float x, float y, float z) : pos{x, y, z} {}

void PolyMesh::Vertex::getLocation(float* loc) const {
    loc[0] = pos[0];
    loc[1] = pos[1];
    loc[2] = pos[2];
}

PolyMesh::Normal::Normal(float i, float j, float k) : normal{i, j, k} {}

void PolyMesh::Normal::getVector(float* out) const {
    out[0] = normal[0];
    out[1] = normal[1];
    out[2] = normal[2];
}

PolyMesh::TexCoord::TexCoord(float s_, float t_) : s(s_), t(t_) {}

void PolyMesh::TexCoord::getCoords(float* out) const {
    out[0] = s;
    out[1] = t;
}

// ---------------------------------------------------------------- triangle

PolyMesh::Triangle::Triangle(Vertex* v0, Vertex* v1, Vertex* v2)
    : verts{v0, v1, v2},
      norms{nullptr, nullptr, nullptr},
      tcs{nullptr, nullptr, nullptr},
      texture(0),
      tint(0),
      face_normal(0.0f, 0.0f, 0.0f),
      center{0.0f, 0.0f, 0.0f},
      diameter(0.0f) {
    update(true);
}

void PolyMesh::Triangle::update(bool complaining) {
    // (v0 - v1) x (v1 - v2) points towards a viewer who sees the corners
    // counter-clockwise.
    float a[3], b[3], n[3];
    for (int k = 0; k < 3; ++k) {
        a[k] = verts[0]->pos[k] - verts[1]->pos[k];
        b[k] = verts[1]->pos[k] - verts[2]->pos[k];
    }
    const bool degenerate = static_cast<double>(a[1]) * b[2] == static_cast<double>(a[2]) * b[1] &&
                            static_cast<double>(a[2]) * b[0] == static_cast<double>(a[0]) * b[2] &&
                            static_cast<double>(a[0]) * b[1] == static_cast<double>(a[1]) * b[0];
    if (degenerate && !complaining) {
        n[0] = n[1] = n[2] = 0.0f;
    } else {
        normCrossProd(a, b, n);
    }
    for (int k = 0; k < 3; ++k)
        face_normal.normal[k] = n[k];

    for (int k = 0; k < 3; ++k)
        center[k] =
            static_cast<float>((static_cast<double>(verts[0]->pos[k]) + verts[1]->pos[k] + verts[2]->pos[k]) / 3.0);

    // The farthest corner by squared distance, then one root: rounding to float keeps the order, so this is
    // the largest of the three rounded distances, at a third of the square roots.
    double farthest = 0.0;
    for (int i = 0; i < 3; ++i) {
        double sum = 0.0;
        for (int k = 0; k < 3; ++k) {
            double d = static_cast<double>(verts[i]->pos[k]) - center[k];
            sum += d * d;
        }
        if (sum > farthest)
            farthest = sum;
    }
    diameter = static_cast<float>(std::sqrt(farthest));
}

int PolyMesh::Triangle::setNormal(unsigned int vertex, Normal* normal) {
    if (vertex > 2)
        return -1;
    norms[vertex] = normal;
    return 0;
}

int PolyMesh::Triangle::setTexCoord(unsigned int vertex, TexCoord* coord) {
    if (vertex > 2)
        return -1;
    tcs[vertex] = coord;
    return 0;
}

PolyMesh::Vertex* PolyMesh::Triangle::getVertex(unsigned int vertex) {
    return vertex < 3 ? verts[vertex] : nullptr;
}

PolyMesh::Normal* PolyMesh::Triangle::getNormal(unsigned int vertex) {
    return vertex < 3 ? norms[vertex] : nullptr;
}

void PolyMesh::Triangle::getVertexLocation(unsigned int vertex, float* loc) {
    if (vertex < 3)
        verts[vertex]->getLocation(loc);
}

void PolyMesh::Triangle::getVertexNormal(unsigned int vertex, float* normal) {
    if (vertex < 3 && norms[vertex])
        norms[vertex]->getVector(normal);
}

void PolyMesh::Triangle::getVertexTexCoords(unsigned int vertex, float* coords) {
    if (vertex < 3 && tcs[vertex])
        tcs[vertex]->getCoords(coords);
}

PolyMesh::Normal* PolyMesh::Triangle::getFaceNormal() {
    return &face_normal;
}

void PolyMesh::Triangle::getFaceNormal(float* normal) {
    face_normal.getVector(normal);
}

int PolyMesh::Triangle::setTexture(unsigned int texture_) {
    texture = texture_;
    return 0;
}

unsigned int PolyMesh::Triangle::getTexture() {
    return texture;
}

void PolyMesh::Triangle::getCenter(float* out) {
    out[0] = center[0];
    out[1] = center[1];
    out[2] = center[2];
}

float PolyMesh::Triangle::getDiameter() {
    return diameter;
}

// ---------------------------------------------------------------- mesh

PolyMesh::PolyMesh() {}

PolyMesh::~PolyMesh() {}

int PolyMesh::addVertex(float x, float y, float z) {
    vertexes.push_back(vertexStore_.make(x, y, z));
    return static_cast<int>(vertexes.size()) - 1;
}

int PolyMesh::addNormal(float i, float j, float k) {
    normals.push_back(normalStore_.make(i, j, k));
    return static_cast<int>(normals.size()) - 1;
}

int PolyMesh::addTexCoord(float s, float t) {
    coords.push_back(coordStore_.make(s, t));
    return static_cast<int>(coords.size()) - 1;
}

int PolyMesh::addTriangle(unsigned int v0, unsigned int v1, unsigned int v2) {
    Vertex* a = getVertex(v0);
    Vertex* b = getVertex(v1);
    Vertex* c = getVertex(v2);
    if (!a || !b || !c)
        return -1;
    triangles.push_back(triangleStore_.make(a, b, c));
    ++shapeVersion_;
    return static_cast<int>(triangles.size()) - 1;
}

void PolyMesh::reserve(size_t vertexCount, size_t normalCount, size_t texCoordCount, size_t triangleCount) {
    vertexes.reserve(vertexes.size() + vertexCount);
    vertexStore_.reserve(vertexCount);
    normals.reserve(normals.size() + normalCount);
    normalStore_.reserve(normalCount);
    coords.reserve(coords.size() + texCoordCount);
    coordStore_.reserve(texCoordCount);
    triangles.reserve(triangles.size() + triangleCount);
    triangleStore_.reserve(triangleCount);
}

int PolyMesh::setNormal(unsigned int triangleId, unsigned int vertex, unsigned int normalId) {
    Triangle* t = getTriangle(triangleId);
    Normal* n = getNormal(normalId);
    if (!t || !n)
        return 1;
    ++shapeVersion_;
    return t->setNormal(vertex, n);
}

int PolyMesh::setTexCoord(unsigned int triangleId, unsigned int vertex, unsigned int texCoordId) {
    Triangle* t = getTriangle(triangleId);
    TexCoord* c = getTexCoord(texCoordId);
    if (!t || !c || vertex > 2)
        return 1;
    ++shapeVersion_;
    return t->setTexCoord(vertex, c);
}

int PolyMesh::setTexture(unsigned int triangleId, unsigned int textureId) {
    Triangle* t = getTriangle(triangleId);
    if (!t)
        return 1;
    ++shapeVersion_;
    return t->setTexture(textureId);
}

int PolyMesh::moveVertex(unsigned int id, float x, float y, float z) {
    Vertex* v = getVertex(id);
    if (!v)
        return 1;
    v->pos[0] = x;
    v->pos[1] = y;
    v->pos[2] = z;
    ++shapeVersion_;
    return 0;
}

int PolyMesh::setNormalVector(unsigned int id, float i, float j, float k) {
    Normal* n = getNormal(id);
    if (!n)
        return 1;
    n->normal[0] = i;
    n->normal[1] = j;
    n->normal[2] = k;
    ++shapeVersion_;
    return 0;
}

void PolyMesh::updateTriangles() {
    for (Triangle* t : triangles)
        t->update();
    ++shapeVersion_;
}

PolyMesh::Triangle* PolyMesh::getTriangle(unsigned int id) {
    return id < triangles.size() ? triangles[id] : nullptr;
}

PolyMesh::Vertex* PolyMesh::getVertex(unsigned int id) {
    return id < vertexes.size() ? vertexes[id] : nullptr;
}

PolyMesh::Normal* PolyMesh::getNormal(unsigned int id) {
    return id < normals.size() ? normals[id] : nullptr;
}

PolyMesh::TexCoord* PolyMesh::getTexCoord(unsigned int id) {
    return id < coords.size() ? coords[id] : nullptr;
}

PolyMesh::TriangleIterator PolyMesh::triangleIterator() {
    return triangles.begin();
}

PolyMesh::TriangleIterator PolyMesh::triangleIteratorEnd() {
    return triangles.end();
}
