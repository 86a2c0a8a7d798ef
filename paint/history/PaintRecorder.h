#pragma once

#include <GL/gl.h>

#include <memory>

#include "paint/image/Image.h"
#include "paint/image/TexelRect.h"

// What a paintable model tells the undo history while it paints, loads skins
// and goes away. The model is known by its serial, which no other model of
// the run shares, and named in messages by its name, so the history never
// needs the model itself. Callers hold the model-list mutex.
class PaintRecorder {
public:
    virtual ~PaintRecorder() = default;

    // Whether a stroke is open; outside one, painting saves nothing.
    virtual bool inStroke() const = 0;
    // Texels of area in image, the picture of the model's skin numbered skin
    // (as users number them, 1..n), are about to be painted over.
    virtual void saveBefore(unsigned long long serial, const char* name, unsigned int skin, Image& image,
                            const TexelRect& area) = 0;
    // That skin's picture was replaced by a load; before is the one it had.
    virtual void recordSkinLoad(unsigned long long serial, const char* name, unsigned int skin,
                                std::unique_ptr<Image> before) = 0;
    // The model is gone: what only it could take back goes too.
    virtual void forget(unsigned long long serial) = 0;

protected:
    PaintRecorder() = default;
    PaintRecorder(const PaintRecorder&) = default;
    PaintRecorder& operator=(const PaintRecorder&) = default;
};

// What the models report to; set at start-up beside the paint session that
// implements it. Without one (null) paint and skin loads are recorded nowhere.
extern PaintRecorder* paint_recorder __attribute__((visibility("hidden")));
