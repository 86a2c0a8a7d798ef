// A picture of the window as a file: which names the screenshot writer takes
// and the bytes of the file, apart from any window so both can be checked
// directly.
#pragma once

#include <string>
#include <vector>

#include "paint/image/ImageFormats.h"
#include "paint/image/Picture.h"
#include "scene/Visibility.h"

// ".png, .bmp": the extensions a screenshot may have, any case.
extern const char kScreenshotExtensions[] VELMORA_HIDDEN;

// PNG or BMP by the extension of name; kNone for every other name.
ImageFormat screenshotFormatOf(const std::string& name);

// The whole file of format (PNG or BMP, 24 bits a pixel) holding frame. False,
// with the reason in *why, when the frame is empty or cannot be encoded.
bool encodeScreenshot(const Picture& frame, ImageFormat format, std::vector<unsigned char>* bytes, std::string* why);

// Makes bytes the whole of the file `path` names, as every save does: a
// link's target changes and the link stays, and a failed write leaves the old
// file as it was. False with the system's error number in *err.
bool writeScreenshotFile(const char* path, const std::vector<unsigned char>& bytes, int* err);
