// Paintable models: mesh drawing, the texture queues that keep OpenGL on the
// GLUT thread, skin loading and saving; painting itself is ModelPainter's.
// Skin loads and paint are reported to the running program's paint recorder,
// when there is one. Nothing here takes a lock: callers serialise through the
// model-list mutex.
#include "paint/PaintableModel.h"

#include <sys/stat.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <unordered_set>
#include <utility>

#include "paint/UprightFile.h"
#include "paint/history/PaintRecorder.h"
#include "paint/mesh/BatchDrawer.h"
#include "paint/mesh/HandleReach.h"
#include "paint/mesh/ModelTransform.h"
#include "scene/AsyncOutput.h"

// [SECTION] construction
// [SECTION] textures and their queues
// [SECTION] drawing (GL)
// [SECTION] painting

// ---------------------------------------------------------------- [SECTION] construction

namespace {
std::atomic<unsigned long long> next_serial{1};
// The handles every paintable model has, by number.
const unsigned int kMoveHandle = 1;   // at the model's origin
const unsigned int kScaleHandle = 2;  // on its bounding box
}  // namespace

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
    handles.push_back({0.0, 0.0, 0.0});
    handles.push_back({1.0, 1.0, 1.0});  // on the box once the mesh has one
    animate = true;
}

PaintableModel::~PaintableModel() {
    if (paint_recorder)
        paint_recorder->forget(serial_);
    // Texture objects stay with the GL context; only the pictures go.
    for (auto& entry : textures)
        delete entry.second;
}

void PaintableModel::step() {
    AnimatedModel::step();
}

void PaintableModel::modelInit() {}

void PaintableModel::setUprightTurn(double x, double y, double z) {
    upright_[0] = x;
    upright_[1] = y;
    upright_[2] = z;
}

TiXmlElement* PaintableModel::toXML() {
    TiXmlElement* element = AnimatedModel::toXML();
    UprightFile::mark(element);
    return element;
}

int PaintableModel::fromXML(TiXmlElement* xml) {
    const TiXmlElement* element = findModelElement(xml);
    if (!element || !uprightTurn() || UprightFile::marked(xml, element))
        return AnimatedModel::fromXML(xml);
    // Rewritten in a copy: the caller's document stays as it was read.
    std::unique_ptr<TiXmlNode> copy(xml->Clone());
    TiXmlElement* root = copy->ToElement();
    const double current[3] = {getAttribute("rotation_x"), getAttribute("rotation_y"), getAttribute("rotation_z")};
    UprightFile::convert(findModelElement(root), upright_, current);
    return AnimatedModel::fromXML(root);
}

// ---------------------------------------------------------------- [SECTION] textures and their queues

int PaintableModel::numTextures() {
    return static_cast<int>(textures.size());
}

Image* PaintableModel::skinImage(GLuint num) const {
    auto found = textures.find(num);
    return found == textures.end() ? nullptr : found->second;
}

GLuint PaintableModel::textureOfSkin(long skin) const {
    for (const auto& entry : textures)
        if (entry.second && --skin == 0)
            return entry.first;
    return 0;
}

unsigned int PaintableModel::skinOfTexture(GLuint texture) const {
    unsigned int skin = 0;
    for (const auto& entry : textures) {
        skin += entry.second ? 1 : 0;
        if (entry.first == texture)
            return entry.second ? skin : 0;
    }
    return 0;
}

std::vector<std::pair<unsigned int, std::string>> PaintableModel::skinFiles() const {
    std::vector<std::pair<unsigned int, std::string>> files;
    for (const auto& entry : textures) {
        if (!entry.second)
            continue;
        const std::string& source = entry.second->getSourceFile();
        files.emplace_back(static_cast<unsigned int>(files.size() + 1),
                           source.empty() ? entry.second->getFilename() : source);
    }
    return files;
}

void PaintableModel::printSkinNumbers() const {
    std::string numbers;
    for (const auto& skin : skinFiles())
        numbers += (numbers.empty() ? "" : ",") + std::to_string(skin.first);
    AsyncOutput::printf(stdout, "skins: <%s>\n", numbers.c_str());
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
        std::unique_ptr<Image> before = paint_recorder ? found->second->copyPicture() : nullptr;
        int ok = found->second->takeReloaded(std::move(picture), filename);
        if (ok && before)
            paint_recorder->recordSkinLoad(serial_, name(), skinOfTexture(static_cast<GLuint>(num)), std::move(before));
        // Queued even after a failed reload: uploading the unchanged picture is harmless.
        texturesToReload.push_back(static_cast<GLuint>(num));
        return ok;
    }
    // A model without textures takes its first skin as texture 1, the name
    // the MD2 models give every triangle; the next draw uploads the picture.
    if (textures.empty() && num == 1) {
        const std::string source = Image::sourceFile(filename);
        struct stat st;
        if (!source.empty() && ::stat(source.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
            std::printf("not a regular file: '%s'\n", source.c_str());
            return 0;
        }
        texturesToCreate.push_back(std::move(picture));
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
    // One slash between them however the folder was typed, so the path prints as people write it.
    std::string folder(base);
    while (!folder.empty() && folder.back() == '/')
        folder.pop_back();
    return folder + "/" + name.substr(name.rfind('/') + 1);
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

GLuint PaintableModel::adoptTextures(std::vector<Image::Decoded>& pictures, GLuint* ids) {
    if (pictures.empty())
        return 0;
    glGenTextures(static_cast<GLsizei>(pictures.size()), ids);
    GLuint failures = 0;
    for (size_t i = 0; i < pictures.size(); ++i) {
        AsyncOutput::write(stdout, pictures[i].messages);
        Image* image = pictures[i].image.release();
        if (!image) {
            ++failures;
            continue;
        }
        image->setTexture(ids[i]);
        image->updateTexture();
        Image*& slot = textures[ids[i]];
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
        std::vector<Image::Decoded> pictures;
        pictures.swap(texturesToCreate);
        for (Image::Decoded& picture : pictures) {
            std::vector<Image::Decoded> one;
            one.push_back(std::move(picture));
            GLuint id = 0;
            adoptTextures(one, &id);
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
    BatchDrawer::draw(drawBatches_, tints_, blendedTints_, textureMasks_);
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
    // The same calls as the rotations: a model only stood upright draws as
    // it did when the upright turn was in its attributes.
    for (int axis = 0; axis < 3; ++axis)
        if (upright_[axis] != 0.0)
            glRotated(upright_[axis], axis == 0, axis == 1, axis == 2);
    const double scale = getAttribute("scale");
    if (scale != 1.0)
        glScaled(scale, scale, scale);
}

void PaintableModel::drawHandles(GLenum mode) {
    if (!showHandles)
        return;
    placeScaleHandle();
    glPushMatrix();
    applyTransform();
    // The handles sit where the model's transform puts them but keep their size.
    drawHandleSpheres(mode, 1.0 / getAttribute("scale"));
    glPopMatrix();
}

void PaintableModel::placeScaleHandle() {
    // The box follows the mesh through every frame of an animation.
    if (handles.size() < kScaleHandle || handleBoxVersion_ == shapeVersion())
        return;
    handleBoxVersion_ = shapeVersion();
    double corner[3];
    HandleReach::farthestCorner(vertexes, corner);
    handles[kScaleHandle - 1] = {corner[0], corner[1], corner[2]};
}

void PaintableModel::moveHandleInScene(unsigned int handle, double dx, double dy, double dz) {
    const double scene[3] = {dx, dy, dz};
    const char* axes[3] = {"x", "y", "z"};
    if (handle == kMoveHandle) {
        for (int k = 0; k < 3; ++k)
            adjustAttribute(axes[k], scene[k]);
        return;
    }
    const ModelTransform placed = ModelTransform::of(*this, uprightTurn());
    if (handle == kScaleHandle && handles.size() >= kScaleHandle) {
        placeScaleHandle();
        const handle_t& at = handles[kScaleHandle - 1];
        const double local[3] = {at.x, at.y, at.z};
        double offset[3];
        placed.toScene(local, offset);
        for (int k = 0; k < 3; ++k)
            offset[k] -= getAttribute(axes[k]);
        const double scale = getAttribute("scale");
        adjustAttribute("scale", HandleReach::resized(scale, offset, scene) - scale);
        return;
    }
    double local[3];
    placed.directionToModel(scene, local);
    adjustHandle(handle, local[0], local[1], local[2]);
}

// ---------------------------------------------------------------- [SECTION] painting
// The session paints through these, recording into its history while its stroke is open;
// what a dab changed waits for the next draw to upload.

ModelPainter::Target PaintableModel::paintTarget() {
    auto skin = [this](GLuint num) { return skinImage(num); };
    auto number = [this](GLuint texture) { return skinOfTexture(texture); };
    return {*this, uprightTurn(), *this, triangles, skin, number, paint_recorder, serial_, name()};
}

void PaintableModel::queueLastPaint() {
    for (const auto& change : painter_.lastChanges())
        queueTextureRect(change.first, change.second);
    // Said once: a stroke over a bare part would say it at every dab.
    if (painter_.reachedUntextured() && !toldUntextured_) {
        toldUntextured_ = true;
        AsyncOutput::printf(stdout, "%s: triangles without a texture take no paint\n", name());
    }
}

void PaintableModel::paintModel(BrushModel* tool) {
    painter_.paintModel(paintTarget(), tool);
    queueLastPaint();
}

bool PaintableModel::pointNearPoly(Triangle* tri, float* col_pt, float distance) {
    return ModelPainter::pointNearPoly(tri, col_pt, distance);
}

void PaintableModel::paintPoly(Triangle* tri, float* /*col_pt*/, BrushModel* tool) {
    painter_.paintPoly(paintTarget(), tri, tool);
    queueLastPaint();
}

void PaintableModel::queueTextureRect(GLuint name, const TexelRect& rect) {
    if (!rect.empty())
        texturesToPatch_[name].include(rect);
}
