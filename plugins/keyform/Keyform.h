// A model read from an MD2 file: the model's name is its directory, holding
// tris.md2 and the skins, found there by the names the file gives or, failing
// those, the folder's own picture. Only the first frame is shown.
#pragma once

#include <GL/gl.h>

#include <string>
#include <vector>

#include "paint/PaintableModel.h"

class Keyform : public PaintableModel {
public:
    explicit Keyform(const char* name);
    ~Keyform() override;

    static AnimatedModel* create(const char* name);

    void modelInit() override;  // GL thread: reads the file, loads the skins
    int loadTexture(int num, const char* filename) override;

    // The MD2 format's vertex normals, which vertices name by index.
    static float precalculatedNormals[162][3];

private:
    // GL thread: loads the skins found in the model's folder for the names the file gives.
    void loadSkins(const std::vector<std::string>& skinNames);
    bool adoptSkin(const char* filename);
    void showSkin();

    // The texture name every triangle shows once it has a picture: the first
    // skin's, or one kept free for the first skin loaded later.
    GLuint skinTexture;
};
