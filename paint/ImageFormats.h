// The file formats skins are read from and written to, by file extension.
#pragma once

#include <string>

// ext with its dot, in any case: ".png", ".PCX".
bool isSupportedImageExtension(const std::string& ext);
// The supported extensions for messages: ".bmp, .pcx, .png, .jpg, .jpeg, .tga".
const char* supportedImageExtensionsText();
