#pragma once

#include <GL/gl.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "model/AnimatedModel.h"
#include "paint/Image.h"
#include "paint/PolyMesh.h"

class BrushModel;
class TrianglePainter;

// An animated model with a textured triangle mesh that the brush paints on.
// Texture work asked for off the GL thread (skin loads, paint strokes) is
// queued and done by the next draw.
class PaintableModel : public AnimatedModel, public PolyMesh {
public:
    explicit PaintableModel(const char* name);
    ~PaintableModel() override;

    void draw() override;  // GL thread only
    void step() override;
    virtual void paintModel(BrushModel* brush);
    virtual int loadTexture(int num, const char* filename);
    virtual void modelInit();

    int saveTexture(int num, const char* filename);
    int saveTextures();
    int numTextures();
    // Whether num is one of the model's textures, with a picture.
    bool hasTexture(int num) const;
    // Each texture's number with the file its picture was read from, in
    // ascending order of the number.
    std::vector<std::pair<GLuint, std::string>> skinFiles() const;
    // GL thread only (modelInit and draw). Returns the number of failures.
    GLuint loadTextures(unsigned int num, const char** filenames, GLuint* idArray, const char* base);

    bool pointNearPoly(Triangle* tri, float* col_pt, float distance);
    void paintPoly(Triangle* tri, float* col_pt, BrushModel* brush);

    // The names of queue in first-seen order, each once.
    static std::vector<GLuint> distinctTextureNames(const std::vector<GLuint>& queue);
    // The file loadTextures reads for filename under base (base may be null).
    static std::string texturePath(const char* filename, const char* base);

protected:
    std::map<GLuint, Image*> textures;
    bool firstDraw;
    std::vector<GLuint> texturesToReload;
    std::vector<std::string> texturesToCreate;

private:
    void runTextureQueues();
    void drawTriangle(Triangle* tri);
    void modelOffset(float* offset);  // x, y, z rounded to float
    // Paints tri if it has texture coordinates and an image, and queues the image for upload.
    void paintTriangle(TrianglePainter& painter, Triangle* tri);
};
