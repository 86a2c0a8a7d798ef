// Deciding which skins a save writes, and telling the model afterwards. The
// copies were taken in the model's order of texture numbers, and are matched
// back to its skins in that order, each only while it shows the same file.
#include "console/SkinSaves.h"

#include <cstdio>
#include <string>

#include "paint/PaintableModel.h"
#include "scene/ModelListLock.h"
#include "scene/SceneState.h"

namespace {

std::string fileOf(const Image& image) {
    return image.getSourceFile().empty() ? image.getFilename() : image.getSourceFile();
}

// Called with the model-list mutex held.
PaintableModel* listedModel(unsigned long long serial) {
    for (const auto& entry : models) {
        PaintableModel* model = dynamic_cast<PaintableModel*>(entry.second);
        if (model && model->serial() == serial)
            return model;
    }
    return nullptr;
}

void adoptInto(Image* skin, const Image* copy) {
    if (skin && copy && !copy->changed() && fileOf(*skin) == fileOf(*copy))
        skin->savedAs(*copy);
}

}  // namespace

int SkinSaves::saveChanged(const std::vector<std::unique_ptr<Image>>& copies) {
    int result = 1;
    std::string unchanged;
    for (const auto& skin : copies) {
        if (skin && !skin->changed())
            unchanged += (unchanged.empty() ? "" : ", ") + fileOf(*skin);
        else
            result &= skin ? skin->save() : 0;
    }
    if (!unchanged.empty())
        std::printf("unchanged, not saved: %s\n", unchanged.c_str());
    return result;
}

void SkinSaves::adopt(unsigned long long serial, const std::vector<std::unique_ptr<Image>>& copies, long num) {
    ModelListLock lock;
    PaintableModel* model = listedModel(serial);
    if (!model || copies.empty())
        return;
    if (num >= 0) {
        adoptInto(model->skinImage(model->textureOfSkin(num)), copies.front().get());
        return;
    }
    size_t at = 0;
    for (const auto& [number, file] : model->skinFiles()) {
        (void)file;
        while (at < copies.size() && !copies[at])
            ++at;  // a texture without a picture was copied as null
        if (at == copies.size())
            break;
        adoptInto(model->skinImage(model->textureOfSkin(number)), copies[at++].get());
    }
}
