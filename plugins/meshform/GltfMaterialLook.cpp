// glTF material colours for display. The importer keeps a glTF material's
// alpha mode and cutoff as material keys of their own, which no other format
// sets: their presence is what marks the colour as linear.
#include "plugins/meshform/GltfMaterialLook.h"

#include <assimp/GltfMaterial.h>

#include <cmath>

float GltfMaterialLook::displayValue(float linear) {
    if (!(linear > 0.0f))
        return 0.0f;
    if (linear >= 1.0f)
        return 1.0f;
    return linear <= 0.0031308f ? 12.92f * linear : 1.055f * std::pow(linear, 1.0f / 2.4f) - 0.055f;
}

void GltfMaterialLook::apply(const aiMaterial& material, MeshformScene::Texture* texture) {
    aiString mode;
    if (material.Get(AI_MATKEY_GLTF_ALPHAMODE, mode) != AI_SUCCESS)
        return;  // not from a glTF file: its colours are display values already
    for (int k = 0; k < 3; ++k)
        texture->colour[k] = displayValue(texture->colour[k]);
    float& alpha = texture->colour[3];
    const std::string named = mode.C_Str();
    if (named == "BLEND") {
        texture->blended = alpha < 1.0f;
    } else if (named == "MASK") {
        float cutoff = 0.5f;
        material.Get(AI_MATKEY_GLTF_ALPHACUTOFF, cutoff);
        texture->cutoff = cutoff >= 0.0f ? cutoff : 0.0f;
        // Cut away, a material's untextured triangles still draw in the blended pass, showing nothing and
        // hiding nothing behind them.
        alpha = alpha >= cutoff ? 1.0f : 0.0f;
        texture->blended = alpha == 0.0f;
    } else {
        alpha = 1.0f;
    }
}
