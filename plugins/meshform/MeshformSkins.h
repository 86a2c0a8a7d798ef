// The pictures a model's materials show, read and decoded when the model is
// created (on the console's thread, before it is listed), one skin per
// distinct texture. External textures are found around the model file
// (TextureSearch); embedded ones are decoded from the bytes the model carries
// (or read from the PNG a save left beside the model for them). Like the MD2
// skins, they are held to a number and a total of pixels.
#pragma once

#include <string>
#include <vector>

#include "paint/image/Image.h"
#include "plugins/meshform/MeshformScene.h"

class MeshformSkins {
public:
    static constexpr size_t kMaxSkins = 64;
    static constexpr long long kMaxPixels = 64LL << 20;

    // Reads the textures of materials for the model file modelFile.
    MeshformSkins(const std::vector<MeshformScene::Texture>& materials, const std::string& modelFile);

    std::vector<Image::Decoded> pictures;  // in the order the materials first name them
    std::vector<int> skinOfMaterial;       // per material, its picture's place in pictures, or -1
    // Per picture, the alpha its texels are cut by (bottom row first) and the cutoff, for a material that cuts
    // by alpha; empty and negative otherwise.
    std::vector<std::vector<unsigned char>> masks;
    std::vector<float> cutoffs;
    std::string messages;  // textures not found or left out, a line each
};
