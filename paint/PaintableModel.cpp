// Paintable models: mesh drawing, the texture queues that keep OpenGL on the
// GLUT thread, skin loading and saving, and painting with the brush (which
// triangles it reaches; TrianglePainter walks their texels). The brush
// meets the mesh in the model's own coordinates (its centre through the
// inverse of the model's placement, its radii divided by the scale), so a
// moved, turned or scaled model is painted where it is drawn. Nothing here
// takes a lock: callers serialise through the model-list mutex.
#include "paint/PaintableModel.h"

#include <sys/stat.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <memory>
#include <tuple>
#include <unordered_set>

#include "paint/brush/BrushModel.h"
#include "paint/brush/DabCanvas.h"
#include "paint/brush/PaintGeometry.h"
#include "paint/brush/TrianglePainter.h"
#include "paint/history/PaintHistory.h"
#include "paint/mesh/BatchDrawer.h"
#include "paint/mesh/ModelTransform.h"

// [SECTION] construction
// [SECTION] textures and their queues
// [SECTION] drawing (GL)
// [SECTION] painting

// ---------------------------------------------------------------- [SECTION] construction

namespace {
std::atomic<unsigned long long> next_serial{1};
}  // namespace

PaintHistory* PaintableModel::history_ = nullptr;

PaintableModel::PaintableModel(const char* name) : firstDraw(true), serial_(next_serial++) {
    model_name = name;
    attributes["x"] = 0.0;
    attributes["y"] = 0.0;
    attributes["z"] = 0.0;
    attributes["rotation_x"] = 0.0;
    attributes["rotation_y"] = 0.0;
    attributes["rotation_z"] = 0.0;
    attributes["scale"] = 1.0;
    lower_limits["scale"] = 1e-6;  // 0 and below would fold the model away
    animate = true;
}

PaintableModel::~PaintableModel() {
    if (history_)
        history_->forgetOwner(serial_);
    // Texture objects stay with the GL context; only the pictures go.
    for (auto& entry : textures)
        delete entry.second;
}

void PaintableModel::step() {
    AnimatedModel::step();
}

void PaintableModel::modelInit() {}

// ---------------------------------------------------------------- [SECTION] textures and their queues

int PaintableModel::numTextures() {
    return static_cast<int>(textures.size());
}

bool PaintableModel::hasTexture(int num) const {
    if (num < 0)
        return false;
    auto found = textures.find(static_cast<GLuint>(num));
    return found != textures.end() && found->second;
}

Image* PaintableModel::skinImage(GLuint num) const {
    auto found = textures.find(num);
    return found == textures.end() ? nullptr : found->second;
}

std::vector<std::pair<GLuint, std::string>> PaintableModel::skinFiles() const {
    std::vector<std::pair<GLuint, std::string>> files;
    for (const auto& entry : textures) {
        if (!entry.second)
            continue;
        const std::string& source = entry.second->getSourceFile();
        files.emplace_back(entry.first, source.empty() ? entry.second->getFilename() : source);
    }
    return files;
}

int PaintableModel::loadTexture(int num, const char* filename) {
    if (!filename)
        return 0;
    return takeSkin(num, filename, Image::read(filename));
}

int PaintableModel::takeSkin(int num, const char* filename, Image::Decoded picture) {
    if (!filename)
        return 0;
    auto found = textures.find(static_cast<GLuint>(num));
    if (found != textures.end() && found->second) {
        // The picture it replaces stays in the history, so the load can be undone.
        std::unique_ptr<Image> before = history_ ? found->second->copyPicture() : nullptr;
        int ok = found->second->takeReloaded(std::move(picture), filename);
        if (ok && before)
            history_->recordSkinLoad({serial_, static_cast<GLuint>(num)}, model_name, std::move(before));
        // Queued even after a failed reload: uploading the unchanged picture is harmless.
        texturesToReload.push_back(static_cast<GLuint>(num));
        return ok;
    }
    // A model without textures takes its first skin as texture 1, the name
    // the MD2 models give every triangle; the file is read by the next draw,
    // which must not meet a FIFO or a device there.
    if (textures.empty() && num == 1) {
        const std::string source = Image::sourceFile(filename);
        struct stat st;
        if (!source.empty() && ::stat(source.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
            std::printf("not a regular file: '%s'\n", source.c_str());
            return 0;
        }
        texturesToCreate.push_back(filename);
    }
    return 1;
}

std::unique_ptr<Image> PaintableModel::copySkin(int num) const {
    const Image* image = num < 0 ? nullptr : skinImage(static_cast<GLuint>(num));
    return image ? image->copyPicture() : nullptr;
}

std::vector<std::unique_ptr<Image>> PaintableModel::copySkins() const {
    std::vector<std::unique_ptr<Image>> copies;
    for (const auto& entry : textures)
        copies.push_back(entry.second ? entry.second->copyPicture() : nullptr);
    return copies;
}

std::string PaintableModel::texturePath(const char* filename, const char* base) {
    std::string name(filename ? filename : "");
    if (!base)
        return name;
    size_t slash = name.rfind('/');
    // The slash is kept, so a path gains a doubled slash after base.
    return std::string(base) + "/" + (slash == std::string::npos ? name : name.substr(slash));
}

std::vector<GLuint> PaintableModel::distinctTextureNames(const std::vector<GLuint>& queue) {
    std::vector<GLuint> names;
    std::unordered_set<GLuint> seen;
    for (GLuint name : queue)
        if (seen.insert(name).second)
            names.push_back(name);
    return names;
}

// ---------------------------------------------------------------- [SECTION] drawing (GL)

GLuint PaintableModel::loadTextures(unsigned int num, const char** filenames, GLuint* idArray, const char* base) {
    if (num == 0)
        return 0;
    glGenTextures(static_cast<GLsizei>(num), idArray);
    GLuint failures = 0;
    for (unsigned int i = 0; i < num; ++i) {
        std::string path = texturePath(filenames[i], base);
        Image* image = Image::load(&path);
        if (!image) {
            ++failures;
            continue;
        }
        image->setTexture(idArray[i]);
        image->updateTexture();
        Image*& slot = textures[idArray[i]];
        delete slot;  // a name is only handed out once, but never leak
        slot = image;
    }
    return failures;
}

void PaintableModel::runTextureQueues() {
    if (!texturesToReload.empty()) {
        // One upload per texture: later entries would send the same picture
        // again, and what painting changed goes up with it.
        for (GLuint name : distinctTextureNames(texturesToReload)) {
            auto found = textures.find(name);
            if (found != textures.end() && found->second)
                found->second->updateTexture();
            texturesToPatch_.erase(name);
        }
        texturesToReload.clear();
    }
    // Painted textures send only the texels the brush changed.
    for (const auto& patch : texturesToPatch_) {
        auto found = textures.find(patch.first);
        if (found != textures.end() && found->second)
            found->second->updateTextureRect(patch.second);
    }
    texturesToPatch_.clear();
    if (!texturesToCreate.empty()) {
        std::vector<std::string> files;
        files.swap(texturesToCreate);
        for (const std::string& file : files) {
            const char* name = file.c_str();
            GLuint id = 0;
            loadTextures(1, &name, &id, nullptr);
        }
    }
}

bool PaintableModel::textureNamesChanged() {
    bool same = drawnTextureNames_.size() == textures.size();
    auto name = drawnTextureNames_.begin();
    for (auto it = textures.begin(); same && it != textures.end(); ++it, ++name)
        same = *name == it->first;
    if (same)
        return false;
    drawnTextureNames_.clear();
    for (const auto& entry : textures)
        drawnTextureNames_.push_back(entry.first);
    return true;
}

void PaintableModel::draw() {
    glEnable(GL_TEXTURE_2D);
    if (firstDraw) {
        modelInit();
        firstDraw = false;
    }
    runTextureQueues();

    glPushMatrix();
    const GLfloat white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    glMaterialfv(GL_FRONT, GL_DIFFUSE, white);
    glMatrixMode(GL_MODELVIEW);
    applyTransform();
    // A scale other than 1 stretches the normals too; lighting needs them unit length.
    const bool rescale = getAttribute("scale") != 1.0;
    if (rescale)
        glEnable(GL_NORMALIZE);
    // One bind and one draw call per texture, from arrays gathered again only
    // when the mesh or the texture names changed.
    if (textureNamesChanged())
        drawBatches_.forget();
    drawBatches_.follow(*this);
    BatchDrawer::draw(drawBatches_);
    if (rescale)
        glDisable(GL_NORMALIZE);
    glPopMatrix();
}

void PaintableModel::applyTransform() {
    glTranslatef(static_cast<GLfloat>(getAttribute("x")), static_cast<GLfloat>(getAttribute("y")),
                 static_cast<GLfloat>(getAttribute("z")));
    // Unturned, unscaled models get no further matrix, so they draw as they always have.
    const char* rotations[3] = {"rotation_x", "rotation_y", "rotation_z"};
    for (int axis = 0; axis < 3; ++axis) {
        const double degrees = getAttribute(rotations[axis]);
        if (degrees != 0.0)
            glRotated(degrees, axis == 0, axis == 1, axis == 2);
    }
    const double scale = getAttribute("scale");
    if (scale != 1.0)
        glScaled(scale, scale, scale);
}

void PaintableModel::drawHandles(GLenum mode) {
    if (!showHandles)
        return;
    glPushMatrix();
    applyTransform();
    // The handles sit where the model's transform puts them but keep their size.
    drawHandleSpheres(mode, 1.0 / getAttribute("scale"));
    glPopMatrix();
}

void PaintableModel::moveHandleInScene(unsigned int handle, double dx, double dy, double dz) {
    const double scene[3] = {dx, dy, dz};
    double local[3];
    ModelTransform::of(*this).directionToModel(scene, local);
    adjustHandle(handle, local[0], local[1], local[2]);
}

// ---------------------------------------------------------------- [SECTION] painting
// Only triangles the grid finds near the brush are tested. One paint call is
// one dab: each texel takes the brush at most once in it, however many
// triangles show it, and the rectangle it changed in each texture is queued
// for upload (and kept for whoever wants to know what the dab changed).

namespace {

// A paint while no stroke is open in the history is a stroke of its own.
class OwnStroke {
public:
    explicit OwnStroke(PaintHistory* history) : history_(history && !history->inStroke() ? history : nullptr) {
        if (history_)
            history_->beginStroke();
    }
    ~OwnStroke() {
        if (history_)
            history_->endStroke();
    }
    OwnStroke(const OwnStroke&) = delete;
    OwnStroke& operator=(const OwnStroke&) = delete;

private:
    PaintHistory* history_;
};

// The texels from..to that coordinates lo..hi can reach in a picture size
// texels across: the painter maps c to the truncation of (size - 1) * c, and
// a texel more on either side leaves room for rounding. Undefined
// coordinates reach every texel.
void texelSpan(double lo, double hi, int size, int* from, int* to) {
    const double scale = size > 1 ? size - 1 : 1;
    const double a = std::floor(lo * scale) - 1.0, b = std::ceil(hi * scale) + 1.0;
    if (!(a <= b)) {
        *from = 0;
        *to = size - 1;
        return;
    }
    *from = a < 0.0 ? 0 : (a > size ? size : static_cast<int>(a));
    *to = b > size - 1 ? size - 1 : (b < -1.0 ? -1 : static_cast<int>(b));
}

}  // namespace

void PaintableModel::recordInto(PaintHistory* history) {
    history_ = history;
}

void PaintableModel::saveBeforePainting(Triangle* tri, GLuint name) {
    Image* image = skinImage(name);
    if (!image)
        return;
    double lo[2] = {HUGE_VAL, HUGE_VAL}, hi[2] = {-HUGE_VAL, -HUGE_VAL};
    for (unsigned int i = 0; i < 3; ++i) {
        float st[2];
        tri->getVertexTexCoords(i, st);
        for (int k = 0; k < 2; ++k) {
            lo[k] = st[k] < lo[k] ? st[k] : lo[k];
            hi[k] = st[k] > hi[k] ? st[k] : hi[k];
            if (std::isnan(st[k]))
                lo[k] = hi[k] = NAN;  // stays undefined: NaN compares false above
        }
    }
    TexelRect area;
    texelSpan(lo[0], hi[0], image->width(), &area.x0, &area.x1);
    texelSpan(lo[1], hi[1], image->height(), &area.y0, &area.y1);
    history_->saveBefore({serial_, name}, model_name, *image, area);
}

BrushSnapshot PaintableModel::brushInModelSpace(BrushModel* brush, double* offset) {
    const BrushSnapshot scene = brush->snapshot();
    const ModelTransform transform = ModelTransform::of(*this);
    if (transform.translationOnly()) {
        // Only moved: the painter compares scene points with the brush as it is.
        offset[0] = getAttribute("x");
        offset[1] = getAttribute("y");
        offset[2] = getAttribute("z");
        return scene;
    }
    offset[0] = offset[1] = offset[2] = 0.0;
    return scene.inModelSpace(transform);
}

void PaintableModel::paintModel(BrushModel* brush) {
    OwnStroke stroke(history_);
    lastPaint_.clear();
    if (!brush)
        return;
    // The brush holds still while the model is painted: read it once.
    double offset[3];
    const BrushSnapshot snapshot = brushInModelSpace(brush, offset);
    if (!snapshot.sphere)
        return;
    const float painterOffset[3] = {static_cast<float>(offset[0]), static_cast<float>(offset[1]),
                                    static_cast<float>(offset[2])};
    TrianglePainter painter(snapshot, painterOffset);
    float brush_pos[3] = {static_cast<float>(snapshot.position[0] - offset[0]),
                          static_cast<float>(snapshot.position[1] - offset[1]),
                          static_cast<float>(snapshot.position[2] - offset[2])};
    const double dim1 = snapshot.radius;

    // Only the triangles whose bounds may meet the brush, in mesh order.
    triangleGrid_.refresh(triangles, shapeVersion());
    std::vector<unsigned int> near;
    triangleGrid_.candidates(brush_pos, dim1, &near);
    std::map<GLuint, DabCanvas> dab;
    // Cheapest test first: bounding spheres, then the plane, then the outline.
    for (unsigned int index : near) {
        Triangle* tri = triangles[index];
        float p0[3], n[3], c[3];
        tri->getVertexLocation(0, p0);
        tri->getFaceNormal(n);
        tri->getCenter(c);
        if (!(static_cast<double>(tri->getDiameter()) + dim1 > std::fabs(distanceBetween(c, brush_pos))))
            continue;
        float d = static_cast<float>(static_cast<double>(brush_pos[0] - p0[0]) * n[0] +
                                     static_cast<double>(brush_pos[1] - p0[1]) * n[1] +
                                     static_cast<double>(brush_pos[2] - p0[2]) * n[2]);
        if (!(-dim1 < d && d < dim1))
            continue;
        float col_pt[3];
        for (int k = 0; k < 3; ++k)
            col_pt[k] = static_cast<float>(brush_pos[k] - static_cast<double>(n[k]) * d);
        if (pointNearPoly(tri, col_pt, static_cast<float>(dim1)))
            paintTriangle(painter, tri, dab);
    }
    finishDab();
}

bool PaintableModel::pointNearPoly(Triangle* tri, float* col_pt, float distance) {
    float p[3][3];
    for (unsigned int i = 0; i < 3; ++i)
        tri->getVertexLocation(i, p[i]);
    // Seen from a point inside the triangle, the corners go round a full turn.
    float theta = calcAngle(col_pt, p[0], p[1]);
    theta = static_cast<float>(theta + static_cast<double>(calcAngle(col_pt, p[1], p[2])));
    theta = static_cast<float>(theta + static_cast<double>(calcAngle(col_pt, p[2], p[0])));
    if (std::fabs(static_cast<double>(theta) - TWO_PI) < 0.0005)
        return true;
    return distance > distanceToLine(p[0], p[1], col_pt) || distance > distanceToLine(p[1], p[2], col_pt) ||
           distance > distanceToLine(p[2], p[0], col_pt);
}

void PaintableModel::paintPoly(Triangle* tri, float* /*col_pt*/, BrushModel* brush) {
    OwnStroke stroke(history_);
    lastPaint_.clear();
    if (!brush)
        return;
    double offset[3];
    const BrushSnapshot snapshot = brushInModelSpace(brush, offset);
    const float painterOffset[3] = {static_cast<float>(offset[0]), static_cast<float>(offset[1]),
                                    static_cast<float>(offset[2])};
    TrianglePainter painter(snapshot, painterOffset);
    std::map<GLuint, DabCanvas> dab;
    paintTriangle(painter, tri, dab);
    finishDab();
}

void PaintableModel::paintTriangle(TrianglePainter& painter, Triangle* tri, std::map<GLuint, DabCanvas>& dab) {
    if (!painter.measure(tri))
        return;
    const GLuint name = tri->getTexture();
    auto canvas = dab.find(name);
    if (canvas == dab.end()) {
        auto found = textures.find(name);
        if (found == textures.end() || !found->second)
            return;
        // The first triangle of a texture in this dab starts the dab there.
        canvas = dab.emplace(std::piecewise_construct, std::forward_as_tuple(name),
                             std::forward_as_tuple(*found->second, dabStamps_[name], lastPaint_[name]))
                     .first;
    }
    if (history_)
        saveBeforePainting(tri, name);
    painter.paint(canvas->second);
}

void PaintableModel::finishDab() {
    for (auto it = lastPaint_.begin(); it != lastPaint_.end();) {
        if (it->second.empty()) {
            it = lastPaint_.erase(it);
            continue;
        }
        queueTextureRect(it->first, it->second);
        ++it;
    }
}

void PaintableModel::queueTextureRect(GLuint name, const TexelRect& rect) {
    if (!rect.empty())
        texturesToPatch_[name].include(rect);
}
