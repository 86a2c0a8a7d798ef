// The Keyform model class and its registration. modelInit runs on the GL
// thread at the first draw: it builds the mesh from the file's first frame and
// loads the skins from the model's directory. Triangles show this model's own
// first skin, never a texture name that merely happens to be free.
#include "plugins/keyform/Keyform.h"

#include <cstdio>
#include <filesystem>
#include <string>
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

Keyform::Keyform(const char* name) : PaintableModel(name), skinTexture(0) {
    class_name = "Keyform";
    attributes["x"] = 0.0;
    attributes["y"] = 0.0;
    attributes["z"] = 0.0;
    for (const float* n : precalculatedNormals)
        addNormal(n[0], n[1], n[2]);
}

Keyform::~Keyform() {}

AnimatedModel* Keyform::create(const char* name) {
    return new Keyform(name);
}

void Keyform::modelInit() {
    const std::string path = std::string(model_name) + "/tris.md2";
    Md2File md2;
    Md2File::Result result = md2.read(path.c_str());
    if (result == Md2File::MD2_CORRUPT)
        fprintf(stderr, "error reading MD2 file %s\n", path.c_str());
    if (result != Md2File::MD2_READ)
        return;

    // Mesh vertex index to the table index of its normal.
    std::vector<unsigned int> vectorToNormalMap;
    for (const Md2File::Vertex& v : md2.vertices) {
        int index = addVertex(v.pos[0], v.pos[1], v.pos[2]);
        vectorToNormalMap.resize(static_cast<size_t>(index) + 1);
        vectorToNormalMap[index] = v.lightnormalindex;
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
            setNormal(id, j, vectorToNormalMap[tri.index_xyz[j]]);
        }
    }

    loadSkins(md2.skins);
    // A skin asked for before this first draw takes the first skin's place.
    if (textures.empty() && !texturesToCreate.empty()) {
        std::string queued = texturesToCreate.front();
        texturesToCreate.erase(texturesToCreate.begin());
        adoptSkin(queued.c_str());
    }
    showSkin();
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

int Keyform::loadTexture(int num, const char* filename) {
    // Skin 1 of a model still without pictures becomes its first skin, under
    // the name its triangles are to show; the upload waits for the next draw.
    if (num == 1 && textures.empty() && skinTexture != 0 && filename)
        return adoptSkin(filename) ? 1 : 0;
    return PaintableModel::loadTexture(num, filename);
}

bool Keyform::adoptSkin(const char* filename) {
    std::string name(filename);
    Image* image = Image::load(&name);
    if (!image)
        return false;
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
