#pragma once

#include <cstddef>
#include <vector>

#include "paint/mesh/StableStore.h"

// Indexed triangle mesh: vertices, normals and texture coordinates are shared
// by triangles through pointers; indices are positions in order of addition.
// The mesh owns every element; nothing is ever removed.
class PolyMesh {
public:
    class Vertex {
    public:
        Vertex(float x, float y, float z);
        void getLocation(float* loc) const;
        float pos[3];
    };

    class Normal {
    public:
        Normal(float i, float j, float k);
        void getVector(float* normal) const;
        float normal[3];
    };

    class TexCoord {
    public:
        TexCoord(float s, float t);
        void getCoords(float* coords) const;
        float s;
        float t;
    };

    class Triangle {
    public:
        Triangle(Vertex* v0, Vertex* v1, Vertex* v2);
        Triangle(const Triangle&) = delete;
        Triangle& operator=(const Triangle&) = delete;

        int setNormal(unsigned int vertex, Normal* normal);
        int setTexCoord(unsigned int vertex, TexCoord* coord);
        Vertex* getVertex(unsigned int vertex);
        Normal* getNormal(unsigned int vertex);
        void getVertexLocation(unsigned int vertex, float* loc);
        void getVertexNormal(unsigned int vertex, float* normal);
        void getVertexTexCoords(unsigned int vertex, float* coords);
        Normal* getFaceNormal();
        void getFaceNormal(float* normal);
        int setTexture(unsigned int texture);
        unsigned int getTexture();
        void getCenter(float* center);
        float getDiameter();
        // Recomputes the face normal, centre and bounding radius from the corners
        // as they are now. A degenerate triangle is reported only when added
        // (complaining), not on every move.
        void update(bool complaining = false);

        Vertex* verts[3];
        Normal* norms[3];
        TexCoord* tcs[3];
        unsigned int texture;
        unsigned int tint;  // untextured, the colour it is drawn in: 0 white, else its model's tint number
        Normal face_normal;
        float center[3];
        float diameter;  // bounding radius about center
    };

    typedef std::vector<Triangle*>::iterator TriangleIterator;

    PolyMesh();
    virtual ~PolyMesh();
    PolyMesh(const PolyMesh&) = delete;
    PolyMesh& operator=(const PolyMesh&) = delete;

    int addVertex(float x, float y, float z);
    int addNormal(float i, float j, float k);
    int addTexCoord(float s, float t);
    int addTriangle(unsigned int v0, unsigned int v1, unsigned int v2);
    // Room for that many more of each, for a loader that knows its counts.
    void reserve(size_t vertices, size_t normals, size_t texCoords, size_t triangles);
    int setNormal(unsigned int triangleId, unsigned int vertex, unsigned int normalId);
    int setTexCoord(unsigned int triangleId, unsigned int vertex, unsigned int texCoordId);
    int setTexture(unsigned int triangleId, unsigned int textureId);
    // Moving the mesh (an animated model's next frame): vertices and normals
    // change in place, so every triangle keeps pointing at them. Once the
    // vertices are where they belong, updateTriangles brings each triangle's
    // face normal, centre and radius along. Both setters return 1 for an unknown id.
    int moveVertex(unsigned int id, float x, float y, float z);
    int setNormalVector(unsigned int id, float i, float j, float k);
    void updateTriangles();
    // Grows with every change made through the mesh's own setters (triangles
    // added, corners given normals or coordinates, textures, vertices or
    // normals moved), so what is built from the mesh knows when to rebuild.
    // Changes made through a triangle's or vertex's own pointers do not count.
    unsigned long shapeVersion() const { return shapeVersion_; }

    Triangle* getTriangle(unsigned int id);
    Vertex* getVertex(unsigned int id);
    Normal* getNormal(unsigned int id);
    TexCoord* getTexCoord(unsigned int id);
    TriangleIterator triangleIterator();
    TriangleIterator triangleIteratorEnd();

protected:
    std::vector<Triangle*> triangles;
    std::vector<Vertex*> vertexes;
    std::vector<TexCoord*> coords;
    std::vector<Normal*> normals;

private:
    StableStore<Triangle> triangleStore_;
    StableStore<Vertex> vertexStore_;
    StableStore<TexCoord> coordStore_;
    StableStore<Normal> normalStore_;
    unsigned long shapeVersion_ = 0;
};
