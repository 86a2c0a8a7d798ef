// Paintable models: mesh drawing, the texture queues that keep OpenGL on the
// GLUT thread, skin loading and saving, and painting with the brush. The brush
// meets the mesh in the model's own coordinates (brush position minus the
// model's x, y, z), so a moved model is painted where it is drawn. Nothing
// here takes a lock: callers serialise through the model-list mutex.
#include "paint/PaintableModel.h"

#include <cmath>
#include <cstdio>
#include <unordered_set>

#include "paint/BrushModel.h"
#include "paint/PaintGeometry.h"

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
    // the MD2 models give every triangle; the file is read by the next draw.
    if (textures.empty() && num == 1)
        texturesToCreate.push_back(filename);
    return 1;
}

int PaintableModel::saveTexture(int num, const char* filename) {
    auto found = textures.find(static_cast<GLuint>(num));
    if (found == textures.end() || !found->second)
        return 0;
    return found->second->write(filename);
}

int PaintableModel::saveTextures() {
    printf("textures.size() = %i\n", static_cast<int>(textures.size()));
    int result = 1;
    int count = 0;
    for (auto& entry : textures) {
        printf("called %i time(s)\n", ++count);
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

namespace {

// Truncation toward zero, refusing what no int can hold.
bool truncateToInt(double v, int* out) {
    if (!(v > -2147483649.0 && v < 2147483648.0))
        return false;
    *out = static_cast<int>(v);
    return true;
}

// a + (b - a) * f per axis, rounded to float.
void lerp3(const float* a, const float* b, float f, float* out) {
    for (int k = 0; k < 3; ++k)
        out[k] = static_cast<float>(a[k] + static_cast<double>(b[k] - a[k]) * f);
}

float lerp1(float a, float b, float f) {
    return static_cast<float>(a + static_cast<double>(b - a) * f);
}

}  // namespace

void PaintableModel::paintModel(BrushModel* brush) {
    if (!brush || brush->getShape() != SPHERE)
        return;
    float brush_pos[3] = {static_cast<float>(brush->getAttribute("x") - getAttribute("x")),
                          static_cast<float>(brush->getAttribute("y") - getAttribute("y")),
                          static_cast<float>(brush->getAttribute("z") - getAttribute("z"))};
    const double dim1 = brush->getAttribute("dim1");

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
            paintPoly(tri, col_pt, brush);
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
    // Texture-space bounds; of equal coordinates the lowest corner wins.
    float st[3][2], pos[3][3];
    float s_min = 2.0f, t_min = 2.0f, s_max = -1.0f, t_max = -1.0f;
    int s_min_pt = -1, s_max_pt = -1;
    for (unsigned int i = 0; i < 3; ++i) {
        if (!tri->tcs[i])
            return;
        tri->getVertexTexCoords(i, st[i]);
        tri->getVertexLocation(i, pos[i]);
        if (st[i][0] < s_min) {
            s_min = st[i][0];
            s_min_pt = static_cast<int>(i);
        }
        if (st[i][0] > s_max) {
            s_max = st[i][0];
            s_max_pt = static_cast<int>(i);
        }
        if (st[i][1] < t_min)
            t_min = st[i][1];
        if (st[i][1] > t_max)
            t_max = st[i][1];
    }
    if (s_min_pt < 0 || s_max_pt < 0)
        return;
    int s_mid_pt = 0;
    while (s_mid_pt == s_min_pt || s_mid_pt == s_max_pt)
        ++s_mid_pt;
    const float s_mid = st[s_mid_pt][0];

    auto found = textures.find(tri->getTexture());
    if (found == textures.end() || !found->second)
        return;
    Image* image = found->second;
    const int width = image->width();
    const int height = image->height();

    // Texel counts stay in double: they only feed the steps, and far-out
    // coordinates must not overflow an int.
    const double pix_w = std::ceil(static_cast<double>(s_max - s_min) * width);
    const double pix_h = std::ceil(static_cast<double>(t_max - t_min) * height);
    GLubyte paint_color[3] = {paintColorByte(brush->getAttribute("red")), paintColorByte(brush->getAttribute("green")),
                              paintColorByte(brush->getAttribute("blue"))};
    // 0/0 for a triangle without extent: the NaN step ends the walk.
    const float step_s = static_cast<float>((s_max - s_min) / pix_w);
    const float step_t = static_cast<float>((t_max - t_min) / pix_h);
    const float dim1 = static_cast<float>(brush->getAttribute("dim1"));
    // The brush holds still during the walk, so its sphere is read once here
    // rather than looked up by name for every texel.
    const bool sphere = brush->getShape() == SPHERE;
    const double outer_radius = brush->getAttribute("dim1");
    const float brush_center[3] = {static_cast<float>(brush->getAttribute("x")),
                                   static_cast<float>(brush->getAttribute("y")),
                                   static_cast<float>(brush->getAttribute("z"))};
    const float solid_dim1 = static_cast<float>(brush->getAttribute("solid_dim1"));
    const double base_opacity = brush->getAttribute("opacity");
    const float offset[3] = {static_cast<float>(getAttribute("x")), static_cast<float>(getAttribute("y")),
                             static_cast<float>(getAttribute("z"))};

    const float* p_min = pos[s_min_pt];
    const float* p_mid = pos[s_mid_pt];
    const float* p_max = pos[s_max_pt];
    const float t_of_min = st[s_min_pt][1];
    const float t_of_mid = st[s_mid_pt][1];
    const float t_of_max = st[s_max_pt][1];

    // Columns of constant s; in each, rows of t between the long edge
    // (min-max) and the short edge in use. Undefined (NaN) quotients compare
    // false everywhere, which empties degenerate spans.
    for (float s = s_min; s <= s_max;) {
        float a_pt[3], b_pt[3];
        float p = static_cast<float>((static_cast<double>(s) - s_min) / (static_cast<double>(s_max) - s_min));
        float t_a = lerp1(t_of_min, t_of_max, p);
        lerp3(p_min, p_max, p, a_pt);
        float t_b;
        if (s <= s_mid) {
            p = static_cast<float>((static_cast<double>(s) - s_min) / (static_cast<double>(s_mid) - s_min));
            t_b = lerp1(t_of_min, t_of_mid, p);
            lerp3(p_min, p_mid, p, b_pt);
        } else {
            p = static_cast<float>((static_cast<double>(s) - s_mid) / (static_cast<double>(s_max) - s_mid));
            t_b = lerp1(t_of_mid, t_of_max, p);
            lerp3(p_mid, p_max, p, b_pt);
        }
        const bool a_above = t_a > t_b;
        const float t_lo = a_above ? t_b : t_a;
        const float t_hi = a_above ? t_a : t_b;
        const float* lo_pt = a_above ? b_pt : a_pt;
        const float* hi_pt = a_above ? a_pt : b_pt;

        for (float t = t_lo; t <= t_hi;) {
            float q = static_cast<float>((static_cast<double>(t) - t_lo) / (static_cast<double>(t_hi) - t_lo));
            float local[3], scene[3];
            lerp3(lo_pt, hi_pt, q, local);
            for (int k = 0; k < 3; ++k)
                scene[k] = local[k] + offset[k];
            float dist;
            int s_coord, t_coord;
            // Size minus one: s = 1 maps to the last column.
            if (sphere && insideSphere(brush_center, outer_radius, scene, dist) &&
                truncateToInt((width - 1) * static_cast<double>(s), &s_coord) &&
                truncateToInt((height - 1) * static_cast<double>(t), &t_coord))
                image->set(s_coord, t_coord, paint_color, brushFalloff(base_opacity, dist, solid_dim1, dim1));
            float next_t = t + step_t;
            if (next_t == t)
                break;  // a step below float resolution
            t = next_t;
        }
        float next_s = s + step_s;
        if (next_s == s)
            break;
        s = next_s;
    }
    texturesToReload.push_back(tri->getTexture());
}
