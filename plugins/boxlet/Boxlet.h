// A cube of edge 2 about the model's origin whose faces show quarters of two
// textures read from the working directory when the model is created.
#pragma once

#include <vector>

#include "paint/PaintableModel.h"

class Boxlet : public PaintableModel {
public:
    explicit Boxlet(const char* name);
    ~Boxlet() override;

    // Reads the two textures, before the model is listed.
    static AnimatedModel* create(const char* name);

    void modelInit() override;  // GL thread: builds the mesh, uploads the textures

private:
    std::vector<Image::Decoded> tiles_;  // read by create, uploaded by the first draw
};
