// A dab's view of one skin. The picture's size is read once: nothing changes
// it while a paint holds the model.
#include "paint/brush/DabCanvas.h"

DabCanvas::DabCanvas(Image& image, DabStamps& stamps, TexelRect& changed)
    : image_(image),
      stamps_(stamps),
      changed_(changed),
      texels_(image.heldTexels()),
      width_(image.width()),
      height_(image.height()) {
    if (width_ < 0 || height_ < 0)
        width_ = height_ = 0;
    stamps_.beginDab(width_, height_);
}
