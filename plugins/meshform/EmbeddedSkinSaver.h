// Where the paint on a picture a model file carries inside itself is saved:
// back into the model file when it is glTF that can take the picture back
// byte for byte, otherwise as a PNG beside the model, which the next load of
// the model shows instead of the picture inside it.
#pragma once

#include <memory>
#include <string>

#include "plugins/meshform/GltfImageSplice.h"

class Image;

class EmbeddedSkinSaver {
public:
    // Decides for embedded texture number texture of modelFile; gltf is the
    // file as readGltf read it, null when it is not glTF.
    EmbeddedSkinSaver(const std::string& modelFile, int texture, GltfImageSplice* gltf);
    // modelFile read as glTF, once for all its textures; null for other formats and files that cannot be read.
    static std::unique_ptr<GltfImageSplice> readGltf(const std::string& modelFile);

    bool intoModel() const { return !mime_.empty(); }
    // The PNG the texture is saved as when it cannot go back into the model:
    // box.png for box.fbx's first texture, box_texture2.png for its third.
    const std::string& beside() const { return beside_; }
    static std::string besideName(const std::string& modelFile, int texture);

    // Writes image where it belongs, saying where first; 1 on success, 0 having said why not.
    int save(Image& image) const;

private:
    int saveIntoModel(Image& image) const;

    std::string model_;
    int texture_;
    std::string mime_;  // the picture's type inside the model; empty when it is saved beside
    std::string beside_;
};
