// The largest picture the program takes in or writes out: its own cap or
// ImageMagick's resource limits (the system policy's), whichever is smaller.
// ImageMagick aborts the whole process on some pictures beyond its limits, so
// every size is checked against these before a picture is handed to it.
#pragma once

#include <cstdint>
#include <string>

// The program's own cap on either side, whatever ImageMagick would allow.
const int32_t kMostPictureSide = 16384;
// The name ImageMagick's messages start with, set with the limits. A constant
// of each unit that uses it, so it never reaches the dynamic symbol table.
constexpr char kMagickClientName[] = "velmora";

struct PictureLimits {
    int32_t width = kMostPictureSide;
    int32_t height = kMostPictureSide;
    uint64_t area = static_cast<uint64_t>(kMostPictureSide) * kMostPictureSide;  // pixels in all

    // Sets ImageMagick up (once per process) and reads its limits then.
    static const PictureLimits& current();

    // Inline, so that tools using the BMP codec alone need no ImageMagick.
    bool admits(int64_t pictureWidth, int64_t pictureHeight) const {
        return pictureWidth > 0 && pictureHeight > 0 && pictureWidth <= width && pictureHeight <= height &&
               static_cast<uint64_t>(pictureWidth) * static_cast<uint64_t>(pictureHeight) <= area;
    }
    // "too large: W x H pixels (at most ...)", the reason given for a picture admits refuses.
    std::string refusal(int64_t pictureWidth, int64_t pictureHeight) const;
};
