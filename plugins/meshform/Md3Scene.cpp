// Turns a decoded MD3 file into a Meshform scene. Each surface is a material of its own, so the
// triangles come grouped by material as they are; vertices keep their surface's order, so each frame
// lists its positions in the order the rest pose does. The companion files are optional: one that is
// missing or unreadable costs only the textures or clips it would have given.
#include "plugins/meshform/Md3Scene.h"

#include <cctype>
#include <filesystem>

#include "model/io/FileContents.h"
#include "plugins/meshform/Md3AnimationFile.h"
#include "plugins/meshform/Md3SkinFile.h"

namespace {

const size_t kCompanionLimit = size_t(1) << 20;  // a skin or animation list is a few hundred lines

// The text of a companion file, or "" when it is not there or not readable.
std::string companion(const std::filesystem::path& file) {
    const FileContents contents = FileContents::read(file.c_str(), kCompanionLimit);
    return contents.status == FileContents::kRead ? contents.bytes : std::string();
}

std::string lowered(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

bool Md3Scene::reads(const std::string& path) {
    return lowered(std::filesystem::path(path).extension().string()) == ".md3";
}

bool Md3Scene::fill(const Md3File& md3, const std::map<std::string, std::string>& skin, MeshformScene* scene) {
    size_t vertices = 0, triangles = 0;
    for (const Md3File::Surface& surface : md3.surfaces) {
        vertices += surface.vertexCount;
        triangles += surface.triangles.size();
    }
    if (vertices > MeshformScene::kMaxVertices || triangles > MeshformScene::kMaxTriangles) {
        scene->problem = "more than " + std::to_string(MeshformScene::kMaxVertices) + " vertices or " +
                         std::to_string(MeshformScene::kMaxTriangles) + " triangles";
        return false;
    }
    scene->frames.resize(md3.frames.size());
    for (MeshformScene::Frame& frame : scene->frames) {
        frame.positions.reserve(3 * vertices);
        frame.normals.reserve(3 * vertices);
    }
    for (const Md3File::Surface& surface : md3.surfaces) {
        const unsigned int base = static_cast<unsigned int>(scene->texCoords.size() / 2);
        for (size_t f = 0; f < md3.frames.size(); ++f) {
            MeshformScene::Frame& frame = scene->frames[f];
            for (int32_t v = 0; v < surface.vertexCount; ++v) {
                float at[3], normal[3];
                const Md3File::Vertex& vertex = surface.vertices[f * surface.vertexCount + v];
                Md3File::position(vertex, at);
                Md3File::normal(vertex, normal);
                frame.positions.insert(frame.positions.end(), at, at + 3);
                frame.normals.insert(frame.normals.end(), normal, normal + 3);
            }
        }
        for (const std::array<float, 2>& st : surface.texCoords) {
            scene->texCoords.push_back(st[0]);
            scene->texCoords.push_back(1.0f - st[1]);  // t = 0 is the skin's top row
            scene->hasTexCoords.push_back(true);
        }
        const int material = static_cast<int>(scene->materials.size());
        for (const std::array<int32_t, 3>& corners : surface.triangles) {
            for (int32_t index : corners)
                scene->corners.push_back(base + static_cast<unsigned int>(index));
            scene->triangleMaterial.push_back(material);
        }
        MeshformScene::Texture texture;
        for (const Md3File::Shader& shader : surface.shaders)
            if (texture.file.empty())
                texture.file = shader.name;
        if (const auto named = skin.find(lowered(surface.name)); texture.file.empty() && named != skin.end())
            texture.file = named->second;
        scene->materials.push_back(texture);
    }
    scene->positions = scene->frames.front().positions;
    scene->normals = scene->frames.front().normals;
    scene->upAxis = 2;  // the game's z is up
    scene->upSign = 1;
    return true;
}

bool Md3Scene::read(const std::string& path, MeshformScene* scene) {
    Md3File md3;
    if (md3.read(path.c_str()) != Md3File::kRead) {
        scene->problem = md3.problem;
        return false;
    }
    const std::filesystem::path file(path);
    const std::filesystem::path folder = file.parent_path();
    const std::string stem = file.stem().string();
    // A player's model picks its textures through "<part>_default.skin"; other models through a skin named like them.
    std::string skinText = companion(folder / (stem + "_default.skin"));
    if (skinText.empty())
        skinText = companion(folder / (stem + ".skin"));
    if (!fill(md3, Md3SkinFile::parse(skinText), scene))
        return false;
    scene->clips = Md3AnimationFile::parse(companion(folder / "animation.cfg"), static_cast<int>(md3.frames.size()),
                                           Md3AnimationFile::partOf(path));
    return true;
}
