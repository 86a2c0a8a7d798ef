#pragma once

// The picture file formats skins are read from and written to, told apart by
// the extension of a file's name, whatever its case.

#include <string>

enum class ImageFormat { kNone, kBmp, kPcx, kPng, kJpeg, kTga, kDds };

// From the last dot of the file's own name to its end, dot included; empty
// without a dot (a dot in a folder's name does not count).
std::string imageExtensionOf(const std::string& name);
// The format an extension (with its dot, any case) stands for; kNone for others.
ImageFormat imageFormatOfExtension(const std::string& ext);
// The format a file name stands for, by its extension.
ImageFormat imageFormatOfName(const std::string& name);
bool isSupportedImageExtension(const std::string& ext);
// ".bmp, .pcx, .png, .jpg, .jpeg, .tga, .dds"
const char* supportedImageExtensionsText();
