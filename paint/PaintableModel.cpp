// Paintable models: mesh drawing, the texture queues that keep OpenGL on the
// GLUT thread, skin loading and saving, and painting with the brush (which
// triangles it reaches; TrianglePainter walks their texels). The brush
// meets the mesh in the model's own coordinates (brush position minus the
// model's x, y, z), so a moved model is painted where it is drawn. Nothing
// here takes a lock: callers serialise through the model-list mutex.
#include "paint/PaintableModel.h"

#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <unordered_set>

#include "paint/BrushModel.h"
#include "paint/PaintGeometry.h"
#include "paint/TrianglePainter.h"

// [SECTION] construction
// [SECTION] textures and their queues
// [SECTION] drawing (GL)
// [SECTION] painting

// ---------------------------------------------------------------- [SECTION] construction

PaintableModel::PaintableModel(const char* name) : firstDraw(true) {
    model_name = name;
    attributes["x"] = 0.0;
    attributes["y"] = 0.0;
    attributes["z"] = 0.0;
    animate = true;
}

PaintableModel::~PaintableModel() {
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
    auto found = textures.find(static_cast<GLuint>(num));
    if (found != textures.end() && found->second) {
        std::string name(filename);
        int ok = found->second->reloadImage(&name);
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

int PaintableModel::saveTexture(int num, const char* filename) {
    auto found = textures.find(static_cast<GLuint>(num));
    if (found == textures.end() || !found->second)
        return 0;
    return found->second->write(filename);
}

// Each image goes back to the file it was read from, in that file's format.
int PaintableModel::saveTextures() {
    int result = 1;
    for (auto& entry : textures) {
        // Every image is tried, even after a failure.
        if (entry.second)
            result &= entry.second->save();
        else
            result = 0;
    }
    return result;
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
        // One upload per texture: later entries would send the same picture again.
        for (GLuint name : distinctTextureNames(texturesToReload)) {
            auto found = textures.find(name);
            if (found != textures.end() && found->second)
                found->second->updateTexture();
        }
        texturesToReload.clear();
    }
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

void PaintableModel::drawTriangle(Triangle* tri) {
    GLuint texture = tri->getTexture();
    bool textured = texture != 0;
    glBindTexture(GL_TEXTURE_2D, texture);
    glBegin(GL_TRIANGLES);
    for (unsigned int i = 0; i < 3; ++i) {
        // A corner without its own normal or coordinates falls back to the
        // face normal and (0, 0) rather than to whatever was on the stack.
        float normal[3];
        tri->getFaceNormal(normal);
        float st[2] = {0.0f, 0.0f};
        float location[3];
        tri->getVertexNormal(i, normal);
        if (textured)
            tri->getVertexTexCoords(i, st);
        tri->getVertexLocation(i, location);
        glNormal3fv(normal);
        if (textured)
            glTexCoord2fv(st);
        glVertex3fv(location);
    }
    glEnd();
    if (textured)
        glBindTexture(GL_TEXTURE_2D, 0);
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
    glTranslatef(static_cast<GLfloat>(getAttribute("x")), static_cast<GLfloat>(getAttribute("y")),
                 static_cast<GLfloat>(getAttribute("z")));
    for (Triangle* tri : triangles)
        drawTriangle(tri);
    glPopMatrix();
}

// ---------------------------------------------------------------- [SECTION] painting

void PaintableModel::modelOffset(float* offset) {
    offset[0] = static_cast<float>(getAttribute("x"));
    offset[1] = static_cast<float>(getAttribute("y"));
    offset[2] = static_cast<float>(getAttribute("z"));
}

void PaintableModel::paintModel(BrushModel* brush) {
    if (!brush)
        return;
    // The brush holds still while the model is painted: read it once.
    const BrushSnapshot snapshot = brush->snapshot();
    if (!snapshot.sphere)
        return;
    float offset[3];
    modelOffset(offset);
    TrianglePainter painter(snapshot, offset);
    float brush_pos[3] = {static_cast<float>(snapshot.position[0] - getAttribute("x")),
                          static_cast<float>(snapshot.position[1] - getAttribute("y")),
                          static_cast<float>(snapshot.position[2] - getAttribute("z"))};
    const double dim1 = snapshot.radius;

    // Cheapest test first: bounding spheres, then the plane, then the outline.
    for (Triangle* tri : triangles) {
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
            paintTriangle(painter, tri);
    }
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
    if (!brush)
        return;
    float offset[3];
    modelOffset(offset);
    TrianglePainter painter(brush->snapshot(), offset);
    paintTriangle(painter, tri);
}

void PaintableModel::paintTriangle(TrianglePainter& painter, Triangle* tri) {
    if (!painter.measure(tri))
        return;
    auto found = textures.find(tri->getTexture());
    if (found == textures.end() || !found->second)
        return;
    painter.paint(found->second);
    texturesToReload.push_back(tri->getTexture());
}
