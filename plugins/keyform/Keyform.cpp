// The Keyform model class and its registration. The file is read when the
// model is created (no OpenGL needed): mesh, keyframes and animation scripts
// are built then, and a file that cannot be read creates no model. modelInit
// runs on the GL thread at the first draw and loads the skins. Triangles show
// this model's own first skin, never a texture name that merely happens to be free.
#include "plugins/keyform/Keyform.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "plugins/ClassRegistry.h"
#include "plugins/keyform/Md2File.h"
#include "plugins/keyform/SkinSearch.h"

float Keyform::precalculatedNormals[162][3] = {
#include "plugins/keyform/Md2Normals.inc"
};

namespace {

// Internal linkage: another plug-in's init can neither replace nor be mistaken for it.
__attribute__((constructor)) void init() {
    model_classes[const_cast<char*>("Keyform")] = Keyform::create;
}

// A negative index becomes one far out of range, which the mesh refuses like any other.
unsigned int meshIndex(int16_t index) {
    return index < 0 ? ~0u : static_cast<unsigned int>(index);
}

// The names of the regular files in folder; none when it cannot be read.
std::vector<std::string> filesIn(const char* folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code ignored;
        if (it->is_regular_file(ignored))
            names.push_back(it->path().filename().string());
    }
    return names;
}

// The folder's own name ("sydney" for "models/sydney/" or, run from inside it, for ".").
std::string folderNameOf(const char* folder) {
    std::error_code error;
    std::filesystem::path path = std::filesystem::absolute(folder, error).lexically_normal();
    if (path.filename().empty())
        path = path.parent_path();
    return path.filename().string();
}

std::string joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text;
}

}  // namespace

Keyform::Keyform(const char* name, const Md2File& md2)
    : PaintableModel(name), skinTexture(0), skinNames_(md2.skins), shownFrame_(0.0) {
    class_name = "Keyform";
    attributes["x"] = 0.0;
    attributes["y"] = 0.0;
    attributes["z"] = 0.0;
    attributes["frame"] = 0.0;
    lower_limits["frame"] = 0.0;
    upper_limits["frame"] = static_cast<double>(md2.frames.size()) - 1.0;
    buildMesh(md2);
    makeAnimationScripts(md2.frames);
}

Keyform::~Keyform() {}

AnimatedModel* Keyform::create(const char* name) {
    const std::string path = std::string(name ? name : "") + "/tris.md2";
    Md2File md2;
    if (md2.read(path.c_str()) != Md2File::MD2_READ) {
        const std::string message = "cannot read MD2 model '" + path + "': " + md2.problem + "\n";
        reportModelCreationFailure(message.c_str());
        return nullptr;
    }
    return new Keyform(name, md2);
}

void Keyform::buildMesh(const Md2File& md2) {
    // The first frame's bounding box: its centre becomes the model's origin.
    float low[3] = {0, 0, 0}, high[3] = {0, 0, 0};
    for (size_t i = 0; i < md2.vertices.size(); ++i)
        for (int k = 0; k < 3; ++k) {
            const float v = md2.vertices[i].pos[k];
            low[k] = i == 0 ? v : std::min(low[k], v);
            high[k] = i == 0 ? v : std::max(high[k], v);
        }
    float centre[3], extent[3];
    for (int k = 0; k < 3; ++k) {
        centre[k] = (low[k] + high[k]) / 2.0f;
        extent[k] = high[k] - low[k];
    }
    keepFrames(md2, centre);
    setFirstSight(extent);

    // One mesh vertex and one normal per file vertex, both moved with the frame.
    const std::vector<float>& first = framePositions_.front();
    for (size_t i = 0; i < md2.vertices.size(); ++i) {
        addVertex(first[3 * i], first[3 * i + 1], first[3 * i + 2]);
        addNormal(0.0f, 0.0f, 0.0f);
        blendNormal(static_cast<unsigned int>(i), 0, 0, 0.0f);
    }
    const float width = static_cast<float>(md2.header.skinwidth);
    const float height = static_cast<float>(md2.header.skinheight);
    for (const Md2File::TexCoord& tc : md2.texCoords)
        addTexCoord(tc.s / width, 1.0f - tc.t / height);  // t = 0 is the skin's top row
    for (const Md2File::Triangle& tri : md2.triangles) {
        int id = addTriangle(meshIndex(tri.index_xyz[0]), meshIndex(tri.index_xyz[1]), meshIndex(tri.index_xyz[2]));
        if (id < 0)
            continue;  // names a vertex the frame does not have
        for (unsigned int j = 0; j < 3; ++j) {
            setTexCoord(id, j, meshIndex(tri.index_st[j]));
            // A vertex whose normal index lies outside the table shows the face normal.
            if (md2.vertices[tri.index_xyz[j]].lightnormalindex < 162)
                setNormal(id, j, meshIndex(tri.index_xyz[j]));
        }
    }
}

void Keyform::keepFrames(const Md2File& md2, const float* centre) {
    for (const Md2File::Frame& frame : md2.frames) {
        std::vector<float> positions;
        std::vector<uint8_t> indices;
        for (const Md2File::Vertex& v : frame.vertices) {
            for (int k = 0; k < 3; ++k)
                positions.push_back(v.pos[k] - centre[k]);
            indices.push_back(v.lightnormalindex);
        }
        framePositions_.push_back(std::move(positions));
        frameNormals_.push_back(std::move(indices));
    }
}

void Keyform::setFirstSight(const float* extent) {
    // The file's +Z turns up and its +X towards the viewer; the largest extent
    // (a standing figure's height) becomes 4 units, half the view's height at
    // the scene centre, so the whole model stays clear of the near plane
    // however it is turned.
    attributes["rotation_x"] = -90.0;
    attributes["rotation_z"] = -90.0;
    const float largest = std::max(extent[0], std::max(extent[1], extent[2]));
    attributes["scale"] = largest > 0.0f ? 4.0 / static_cast<double>(largest) : 1.0;
}

Keyform::Animations Keyform::animationsOf(const std::vector<std::string>& frameNames) {
    Animations found;
    for (size_t i = 0; i < frameNames.size(); ++i) {
        std::string name = frameNames[i];
        while (!name.empty() && std::isdigit(static_cast<unsigned char>(name.back())))
            name.pop_back();
        if (name.empty())
            continue;
        auto same = std::find_if(found.begin(), found.end(), [&name](const auto& a) { return a.first == name; });
        if (same == found.end())
            same = found.insert(found.end(), {name, {}});
        same->second.push_back(static_cast<int>(i));
    }
    return found;
}

void Keyform::makeAnimationScripts(const std::vector<Md2File::Frame>& frames) {
    std::vector<std::string> names;
    for (const Md2File::Frame& frame : frames)
        names.push_back(frame.name);
    for (const auto& animation : animationsOf(names)) {
        // A name the attribute file could not carry makes no script.
        if (newScript(animation.first.c_str()) != 0)
            continue;
        current_script->behavior = SCR_REPEAT;
        for (int frame : animation.second) {
            position pose;
            pose["frame"] = frame;
            appendPose(&pose, kTicksPerFrame, INT_LINEAR);
        }
    }
    // Like any new model, this one starts without a current script.
    current_script = nullptr;
}

void Keyform::blendNormal(unsigned int vertex, int a, int b, float t) {
    float n[3] = {0, 0, 0};
    const uint8_t ia = frameNormals_[a][vertex], ib = frameNormals_[b][vertex];
    for (int k = 0; k < 3; ++k) {
        if (ia < 162)
            n[k] += (1.0f - t) * precalculatedNormals[ia][k];
        if (ib < 162)
            n[k] += t * precalculatedNormals[ib][k];
    }
    const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (length > 0.0f)
        setNormalVector(vertex, n[0] / length, n[1] / length, n[2] / length);
}

void Keyform::followFrame() {
    const double frame = getAttribute("frame");
    if (frame == shownFrame_ || framePositions_.empty())
        return;
    shownFrame_ = frame;
    const int last = static_cast<int>(framePositions_.size()) - 1;
    const double clamped = std::min(std::max(frame, 0.0), static_cast<double>(last));
    const int a = static_cast<int>(std::floor(clamped));
    const int b = std::min(a + 1, last);
    const float t = static_cast<float>(clamped - a);
    const std::vector<float>& from = framePositions_[a];
    const std::vector<float>& to = framePositions_[b];
    for (size_t i = 0; i < from.size() / 3; ++i) {
        float p[3];
        for (int k = 0; k < 3; ++k)
            p[k] = from[3 * i + k] + t * (to[3 * i + k] - from[3 * i + k]);
        moveVertex(static_cast<unsigned int>(i), p[0], p[1], p[2]);
        blendNormal(static_cast<unsigned int>(i), a, b, t);
    }
    updateTriangles();
}

void Keyform::draw() {
    followFrame();
    PaintableModel::draw();
}

void Keyform::paintModel(BrushModel* brush) {
    followFrame();
    PaintableModel::paintModel(brush);
}

void Keyform::modelInit() {
    loadSkins(skinNames_);
    // A skin asked for before this first draw takes the first skin's place.
    if (textures.empty() && !texturesToCreate.empty()) {
        std::string queued = texturesToCreate.front();
        texturesToCreate.erase(texturesToCreate.begin());
        adoptSkin(Image::read(queued));
    }
    showSkin();
    printSkins();
}

void Keyform::printSkins() {
    std::string numbers;
    for (const auto& entry : textures)
        numbers += (numbers.empty() ? "" : ",") + std::to_string(entry.first);
    std::printf("skins: <%s>\n", numbers.c_str());
}

void Keyform::loadSkins(const std::vector<std::string>& skinNames) {
    const SkinSearch::Result found = SkinSearch(filesIn(model_name), folderNameOf(model_name)).search(skinNames);
    if (!found.missing.empty())
        fprintf(stderr, "skins not found for %s: %s\n", model_name, joined(found.missing).c_str());
    if (found.files.empty()) {
        glGenTextures(1, &skinTexture);  // kept free for the first skin loaded later
        return;
    }
    std::vector<const char*> names;
    for (const std::string& file : found.files)
        names.push_back(file.c_str());
    std::vector<GLuint> ids(names.size(), 0);
    loadTextures(static_cast<unsigned int>(names.size()), names.data(), ids.data(), model_name);
    skinTexture = ids[0];
}

int Keyform::takeSkin(int num, const char* filename, Image::Decoded picture) {
    // Skin 1 of a model still without pictures becomes its first skin, under
    // the name its triangles are to show; the upload waits for the next draw.
    if (num == 1 && textures.empty() && skinTexture != 0 && filename)
        return adoptSkin(std::move(picture)) ? 1 : 0;
    return PaintableModel::takeSkin(num, filename, std::move(picture));
}

bool Keyform::adoptSkin(Image::Decoded picture) {
    std::fputs(picture.messages.c_str(), stdout);
    if (!picture.image)
        return false;
    Image* image = picture.image.release();
    image->setTexture(skinTexture);
    textures[skinTexture] = image;
    texturesToReload.push_back(skinTexture);
    showSkin();
    return true;
}

void Keyform::showSkin() {
    // Without a picture the triangles stay untextured rather than bind an empty texture.
    GLuint shown = textures.count(skinTexture) ? skinTexture : 0;
    for (Triangle* tri : triangles)
        tri->setTexture(shown);
}
