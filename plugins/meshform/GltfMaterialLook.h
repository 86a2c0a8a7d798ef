// What a glTF material's colour and alpha mode come to in the fixed-function
// drawing: glTF gives colour factors as linear light, which the window shows
// as they are given, so they are turned into display values here; and its
// alpha mode decides which triangles are blended over the rest.
#pragma once

#include <assimp/material.h>

#include "plugins/meshform/MeshformScene.h"

class GltfMaterialLook {
public:
    // A linear light value 0..1 as the display value that shows it.
    static float displayValue(float linear);
    // For a glTF material, texture's colour (as the file gives it) turned to display values, and its alpha and
    // blending as the alpha mode says: OPAQUE ignores alpha, MASK shows all or nothing by the cutoff, BLEND
    // blends. Other materials are left as they are.
    static void apply(const aiMaterial& material, MeshformScene::Texture* texture);
};
