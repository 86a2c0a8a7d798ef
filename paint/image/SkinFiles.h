#pragma once

// What Image says about the files it reads and writes, and how it reads and
// writes them whole.

#include <string>
#include <vector>

#include "model/io/FileContents.h"
#include "paint/image/ImageFormats.h"

class SkinFiles {
public:
    // Why a file could not be opened to be read or written.
    static std::string unopened(const std::string& filename, int err, const char* action);
    static std::string unreadable(const std::string& filename, const std::string& why);
    // Refuses a name of no supported format, saying which are.
    static bool supportedName(const std::string& name, std::string* messages);
    // Skins named ".pcx" by model files may have an edited copy beside them as ".bmp".
    static std::string bmpSibling(const std::string& name);
    // Whether the names lead to one existing file.
    static bool isFile(const std::string& name, const std::string& other);
    static const unsigned char* bytesOf(const FileContents& file);
    // Reads filename whole for the BMP readers; false, having said why, when it cannot be opened or is too large.
    static bool readForBmp(const char* filename, FileContents* file);
    // Makes bytes the whole of filename, saying why not in the words of format's writer.
    static bool writeWhole(const char* filename, const std::vector<unsigned char>& bytes, ImageFormat format);
};
