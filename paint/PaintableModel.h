#pragma once

#include <GL/gl.h>

#include <array>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "model/AnimatedModel.h"
#include "paint/brush/ModelPainter.h"
#include "paint/image/Image.h"
#include "paint/image/TexelRect.h"
#include "paint/mesh/DrawBatches.h"
#include "paint/mesh/EulerTurn.h"
#include "paint/mesh/PolyMesh.h"

class BrushModel;

// An animated model with a textured triangle mesh that the brush paints on.
// Texture work asked for off the GL thread (skin loads, paint strokes) is
// queued and done by the next draw. Its attributes place it in the scene:
// x, y, z, rotation_x, rotation_y, rotation_z (degrees) and scale (above 0).
// The rotations turn the model as it stands upright: a class whose files lie
// on their side gives the model its own upright turn, which comes first.
class PaintableModel : public AnimatedModel, public PolyMesh {
public:
    explicit PaintableModel(const char* name);
    ~PaintableModel() override;

    void draw() override;                    // GL thread only
    void drawHandles(GLenum mode) override;  // GL thread only; where the transform puts them
    void step() override;
    // One dab of the brush. Undo sees it only inside a stroke the paint
    // session opened, so the program paints through the session.
    virtual void paintModel(BrushModel* brush);
    // Reads filename's picture and takes it as takeSkin does.
    int loadTexture(int num, const char* filename);
    // Texture num (the texture name; the console turns users' skin numbers
    // into these) from picture, filename read and decoded ahead (before the
    // model-list mutex is taken): it replaces the picture of that texture,
    // which the history keeps so the load can be undone, or on a model still
    // without textures the picture is queued as skin 1 for the next draw to upload.
    virtual int takeSkin(int num, const char* filename, Image::Decoded picture);
    virtual void modelInit();

    // Copies of the pictures, so that encoding and writing them can wait
    // until the model-list mutex is released: texture num's (null when it has
    // none), or every texture's in ascending order of number.
    std::unique_ptr<Image> copySkin(int num) const;
    std::vector<std::unique_ptr<Image>> copySkins() const;
    int numTextures();
    // Users number a model's skins 1..n, whatever texture names GL handed
    // out, in the order of those names (so in the order they were made):
    // the texture of skin (0 when there is none) and the skin of texture (0 for none).
    GLuint textureOfSkin(long skin) const;
    unsigned int skinOfTexture(GLuint texture) const;
    // Each skin's number with the file its picture was read from, in order.
    std::vector<std::pair<unsigned int, std::string>> skinFiles() const;
    // GL thread only (modelInit and draw): gives each picture, read ahead, a
    // new texture name in ids and uploads it, printing what reading it said
    // first. The pictures are taken. Returns the number without an image.
    GLuint adoptTextures(std::vector<Image::Decoded>& pictures, GLuint* ids);

    // The turn that stands the model upright before its attributes place it
    // (x, y, z degrees, applied as the rotations are), or null for none.
    const double* uprightTurn() const { return EulerTurn::none(upright_) ? nullptr : upright_; }

    // The model's XML element, marked as holding rotations of the upright model;
    // an element without the mark had them include the upright turn, and they
    // are read as they were meant.
    TiXmlElement* toXML() override;
    int fromXML(TiXmlElement* xml) override;

    // Drags a handle by a motion in the scene. Handle 1, at the model's
    // origin, moves the model (x, y, z) along; handle 2, on the corner of the
    // mesh's bounding box farthest from the origin, scales it in proportion
    // to the corner's distance from the origin, stopping at scale's limit.
    // Any further handle moves in the model's own space.
    void moveHandleInScene(unsigned int handle, double dx, double dy, double dz);

    bool pointNearPoly(Triangle* tri, float* col_pt, float distance);
    void paintPoly(Triangle* tri, float* col_pt, BrushModel* brush);
    // Per texture name, the rectangle of texels the last paint (paintModel or
    // paintPoly) changed; textures it left alone are not listed.
    const std::map<GLuint, TexelRect>& lastPaintChanges() const { return painter_.lastChanges(); }
    // The picture of texture num, or null when there is none.
    Image* skinImage(GLuint num) const;
    // The grid painting finds triangles through, over the mesh as it is now, and the triangles.
    TriangleGrid& searchGrid() { return painter_.gridOf(paintTarget()); }
    const std::vector<Triangle*>& meshTriangles() const { return triangles; }

    // A number no other model of this run has; the paint history knows the
    // model by it, and names it in its messages by name().
    unsigned long long serial() const { return serial_; }
    const char* name() const { return model_name; }
    // The class word the model was made with, empty when not known; the
    // recovery journal records it so a later run can make the model again.
    void setClassWord(const std::string& word) { classWord_ = word; }
    const std::string& classWord() const { return classWord_; }
    // The file or folder the model was made from when it is listed under
    // another name, else empty; the journal records it beside the class word.
    void setMadeFrom(const std::string& path) { madeFrom_ = path; }
    const std::string& madeFrom() const { return madeFrom_; }

    // Has the next draw upload rect of the texture name (merged with any
    // rectangle already waiting), as after a paint that changed it.
    void queueTextureRect(GLuint name, const TexelRect& rect);

    // The names of queue in first-seen order, each once.
    static std::vector<GLuint> distinctTextureNames(const std::vector<GLuint>& queue);
    // The file a skin named filename is read from under base (base may be null).
    static std::string texturePath(const char* filename, const char* base);

protected:
    // GL thread only: multiplies the model-view matrix by the model's
    // placement (translate, rotate about x, y, z, the upright turn, scale).
    void applyTransform();
    void setUprightTurn(double x, double y, double z);
    // The diffuse colours (red, green, blue, alpha) untextured triangles are
    // drawn in: a triangle whose tint is n shows tints[n - 1].
    void setTints(std::vector<std::array<GLfloat, 4>> tints) { tints_ = std::move(tints); }
    // Which tints are see-through: blended[n - 1] for tint n, drawn over the rest of the model by their alpha.
    void setBlendedTints(std::vector<bool> blended) { blendedTints_ = std::move(blended); }
    // The texels of some skins are cut away where an alpha texture of their own falls below a cutoff:
    // masks[skin] is that texture and cutoff.
    void setTextureMasks(std::map<GLuint, std::pair<GLuint, float>> masks) { textureMasks_ = std::move(masks); }
    // The "skins: <1,2,...>" line a model prints once its skins are up.
    void printSkinNumbers() const;

    std::map<GLuint, Image*> textures;
    bool firstDraw;
    std::vector<GLuint> texturesToReload;
    std::vector<Image::Decoded> texturesToCreate;

private:
    void runTextureQueues();
    // Puts handle 2 on the mesh's bounding box as the mesh is now.
    void placeScaleHandle();

    // Painting, and the rectangles painting changed that wait for the next draw.
    ModelPainter::Target paintTarget();
    void queueLastPaint();
    ModelPainter painter_;
    std::map<GLuint, TexelRect> texturesToPatch_;
    bool toldUntextured_ = false;  // that the brush reached triangles that take no paint

    // Drawing: the triangles gathered by texture, gathered again when the mesh
    // changes or the model's texture names do (a new skin retextures the
    // triangles without the mesh counting it), and the names last seen.
    bool textureNamesChanged();
    DrawBatches drawBatches_;
    std::vector<GLuint> drawnTextureNames_;
    std::vector<std::array<GLfloat, 4>> tints_;
    std::vector<bool> blendedTints_;
    std::map<GLuint, std::pair<GLuint, float>> textureMasks_;

    unsigned long long serial_;
    std::string classWord_;
    unsigned long handleBoxVersion_ = ~0ul;  // the mesh shape the scale handle was placed on
    std::string madeFrom_;
    double upright_[3] = {0.0, 0.0, 0.0};
};
