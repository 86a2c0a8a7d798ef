// The skins of one model, read and decoded when the model is created, ahead
// of the first draw, which only uploads them. A model holds a bounded number
// of skins and of skin pixels, so that a small file cannot name its way to
// gigabytes of pictures.
#pragma once

#include <string>
#include <vector>

#include "paint/image/Image.h"

class SkinSet {
public:
    // MD2 files hold no more skins than this.
    static constexpr size_t kMaxSkins = 32;
    // Four 4096 x 4096 pictures, or all 32 skins at 1024 x 2048: far beyond
    // any shipped model, and about 256 MiB of texels and uploads at most.
    static constexpr long long kMaxPixels = 64LL << 20;

    // Reads the files in order (each file once, however many names lead to
    // it), keeping what fits the budget.
    SkinSet(const std::vector<std::string>& files, const std::string& modelName);

    // The pictures kept, in order; a file that could not be read keeps its messages and no image.
    std::vector<Image::Decoded> pictures;
    // What was left out and why, as one line; empty when nothing was.
    std::string leftOut;
};
