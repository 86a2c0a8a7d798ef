// Saving painted embedded textures. A glTF file is read afresh at each save,
// since an earlier save of another of its textures may have rewritten it, and
// replaced whole through AtomicFile, so a failed save leaves the old model.
#include "plugins/meshform/EmbeddedSkinSaver.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "model/io/AtomicFile.h"
#include "model/io/FileContents.h"
#include "paint/image/Image.h"
#include "plugins/meshform/MeshformScene.h"

namespace {

bool isGltfName(const std::string& file) {
    std::string ext = std::filesystem::path(file).extension().string();
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".gltf" || ext == ".glb";
}

}  // namespace

EmbeddedSkinSaver::EmbeddedSkinSaver(const std::string& modelFile, int texture, GltfImageSplice* gltf)
    : model_(modelFile),
      texture_(texture),
      mime_(gltf ? gltf->mimeOf(texture) : ""),
      beside_(besideName(modelFile, texture)) {}

std::unique_ptr<GltfImageSplice> EmbeddedSkinSaver::readGltf(const std::string& modelFile) {
    if (!isGltfName(modelFile))
        return nullptr;
    const FileContents file = FileContents::read(modelFile.c_str(), MeshformScene::kFileBudget);
    return file.status == FileContents::kRead ? std::make_unique<GltfImageSplice>(file.bytes) : nullptr;
}

std::string EmbeddedSkinSaver::besideName(const std::string& modelFile, int texture) {
    std::filesystem::path png(modelFile);
    const std::string stem = png.stem().string();
    png.replace_filename(texture == 0 ? stem + ".png" : stem + "_texture" + std::to_string(texture) + ".png");
    return png.string();
}

int EmbeddedSkinSaver::save(Image& image) const {
    if (intoModel())
        return saveIntoModel(image);
    std::printf("saving embedded texture %d of %s as %s\n", texture_, model_.c_str(), beside_.c_str());
    std::string target = beside_;
    return image.write(&target);
}

int EmbeddedSkinSaver::saveIntoModel(Image& image) const {
    std::printf("saving embedded texture %d into %s\n", texture_, model_.c_str());
    const ImageFormat format = mime_ == "image/jpeg" ? ImageFormat::kJpeg : ImageFormat::kPng;
    std::vector<unsigned char> picture;
    std::string notes;
    if (!image.encode(format, model_, &picture, &notes, true))
        return 0;
    const FileContents file = FileContents::read(model_.c_str(), MeshformScene::kFileBudget);
    if (file.status != FileContents::kRead) {
        std::printf("cannot write %s: %s\n", model_.c_str(), file.reason().c_str());
        return 0;
    }
    GltfImageSplice splice(file.bytes);
    std::string out;
    if (!splice.replace(texture_, std::string(picture.begin(), picture.end()), &out)) {
        std::printf("cannot write %s: %s\n", model_.c_str(), splice.problem().c_str());
        return 0;
    }
    bool opened = false;
    int err = 0;
    if (!AtomicFile::replace(model_.c_str(), std::vector<unsigned char>(out.begin(), out.end()), &opened, &err)) {
        std::printf("cannot write %s: %s\n", model_.c_str(), std::strerror(err));
        return 0;
    }
    std::fputs(notes.c_str(), stdout);
    if (format == ImageFormat::kJpeg)
        std::printf("%s: JPEG is lossy; the saved texels differ slightly from the painted ones\n", model_.c_str());
    return 1;
}
