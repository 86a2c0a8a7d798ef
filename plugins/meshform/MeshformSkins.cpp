// Reading a model's textures. Materials that share a texture share its
// skin, so painting one paints all of them; a texture that is not found,
// cannot be decoded or passes the budget leaves its triangles untextured.
#include "plugins/meshform/MeshformSkins.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <utility>

#include "model/io/FileContents.h"
#include "paint/image/AlphaPlane.h"
#include "plugins/meshform/EmbeddedSkinSaver.h"
#include "plugins/meshform/TextureSearch.h"

namespace {

long long pixelsOf(const Image::Decoded& picture) {
    return picture.image ? static_cast<long long>(picture.image->width()) * picture.image->height() : 0;
}

bool namesNoTexture(const std::vector<MeshformScene::Texture>& materials) {
    for (const MeshformScene::Texture& texture : materials)
        if (!texture.file.empty() || texture.embedded >= 0)
            return false;
    return true;
}

// The picture the model carries, or the PNG an earlier save left beside the model in its place; either
// is saved where that save put it.
Image::Decoded readEmbedded(const MeshformScene::Texture& texture, const std::string& modelFile,
                            GltfImageSplice* gltf) {
    const EmbeddedSkinSaver saver(modelFile, texture.embedded, gltf);
    std::error_code error;
    if (!saver.intoModel() && std::filesystem::is_regular_file(saver.beside(), error))
        return Image::read(saver.beside());
    const std::string number = std::to_string(texture.embedded);
    const std::string name = modelFile + "#texture" + number + "." + texture.hint;
    Image::Decoded picture =
        Image::decode(reinterpret_cast<const unsigned char*>(texture.bytes.data()), texture.bytes.size(), name, name);
    if (texture.bytes.empty())
        picture.messages =
            "embedded texture " + number + " of " + modelFile + " holds no picture the program reads: not shown\n";
    if (picture.image)
        picture.image->saveThrough([saver](Image& image) { return saver.save(image); });
    return picture;
}

// A DDS file keeps mipmaps and a compression the painted picture could not keep, so paint on one is saved
// beside it as a PNG of the same stem, which the next load shows in its place.
Image::Decoded readExternal(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension != ".dds")
        return Image::read(path.string());
    std::filesystem::path png = path;
    png.replace_extension(".png");
    std::error_code error;
    if (std::filesystem::is_regular_file(png, error))
        return Image::read(png.string());
    Image::Decoded picture = Image::read(path.string());
    if (picture.image)
        picture.image->saveThrough([png](Image& image) {
            std::string target = png.string();
            std::printf("saving image: %s (beside the DDS it was read from)\n", target.c_str());
            return image.write(&target);
        });
    return picture;
}

// The alpha of a texture's own bytes (those the model carries, else its file), which the skin read from them
// dropped; a picture painted and saved since keeps the size, so the original's alpha still fits it.
std::vector<unsigned char> alphaOf(const MeshformScene::Texture& texture, const std::string& file, const Image& skin) {
    if (texture.embedded >= 0)
        return AlphaPlane::decode(reinterpret_cast<const unsigned char*>(texture.bytes.data()), texture.bytes.size(),
                                  imageFormatOfExtension("." + texture.hint), skin.width(), skin.height());
    const FileContents read = FileContents::read(file.c_str(), FileContents::kImageLimit);
    if (read.status != FileContents::kRead)
        return {};
    return AlphaPlane::decode(reinterpret_cast<const unsigned char*>(read.bytes.data()), read.bytes.size(),
                              imageFormatOfName(file), skin.width(), skin.height());
}

}  // namespace

MeshformSkins::MeshformSkins(const std::vector<MeshformScene::Texture>& given, const std::string& modelFile) {
    std::vector<std::string> named;
    for (const MeshformScene::Texture& texture : given)
        named.push_back(texture.file);
    const TextureSearch search(modelFile, TextureSearch::listFiles(modelFile, named));
    const std::filesystem::path folder = std::filesystem::path(modelFile).parent_path();
    std::vector<MeshformScene::Texture> materials = given;
    // A model that names no texture at all shows the picture kept beside it for it.
    if (const std::string picture = namesNoTexture(materials) ? search.fallback() : ""; !picture.empty())
        for (MeshformScene::Texture& texture : materials)
            texture.file = picture;
    std::map<std::string, int> known;  // a texture's key (its file, or "*n" when embedded) to its picture, or -1
    std::string missing, left;
    std::unique_ptr<GltfImageSplice> gltf;  // read at the first embedded texture, for all of them
    long long pixels = 0;
    for (const MeshformScene::Texture& texture : materials) {
        if (texture.file.empty() && texture.embedded < 0) {
            skinOfMaterial.push_back(-1);
            continue;
        }
        const std::string key = texture.embedded >= 0 ? "*" + std::to_string(texture.embedded) : texture.file;
        const auto seen = known.find(key);
        if (seen != known.end()) {
            skinOfMaterial.push_back(seen->second);
            continue;
        }
        int& skin = known[key] = -1;
        skinOfMaterial.push_back(-1);
        Image::Decoded picture;
        std::string source;  // the file the picture came from, when its alpha may be wanted
        if (texture.embedded >= 0) {
            if (!gltf)
                gltf = EmbeddedSkinSaver::readGltf(modelFile);
            picture = readEmbedded(texture, modelFile, gltf.get());
        } else {
            const std::string found = search.find(texture.file);
            if (found.empty()) {
                missing += (missing.empty() ? "" : ", ") + texture.file;
                continue;
            }
            source = (folder / found).lexically_normal().string();
            picture = readExternal(source);
        }
        if (pictures.size() == kMaxSkins || pixelsOf(picture) > kMaxPixels - pixels) {
            left += (left.empty() ? "" : ", ") + key;
            continue;
        }
        pixels += pixelsOf(picture);
        masks.push_back(picture.image && texture.cutoff >= 0.0f ? alphaOf(texture, source, *picture.image)
                                                                : std::vector<unsigned char>());
        cutoffs.push_back(masks.back().empty() ? -1.0f : texture.cutoff);
        skin = skinOfMaterial.back() = static_cast<int>(pictures.size());
        pictures.push_back(std::move(picture));
    }
    if (!missing.empty())
        messages += "textures not found for " + modelFile + ": " + missing + "\n";
    if (!left.empty())
        messages += "textures left out of " + modelFile + " (" + left + "): a model holds at most " +
                    std::to_string(kMaxSkins) + " skins and " + std::to_string(kMaxPixels) + " pixels of them\n";
}
