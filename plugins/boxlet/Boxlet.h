// A cube of edge 2 about the model's origin whose faces show quarters of two
// textures read from the working directory.
#pragma once

#include "paint/PaintableModel.h"

class Boxlet : public PaintableModel {
public:
    explicit Boxlet(const char* name);
    ~Boxlet() override;

    static AnimatedModel* create(const char* name);

    void modelInit() override;  // GL thread: builds the mesh, loads the textures
};
