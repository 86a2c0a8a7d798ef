// Which class opens a model file or folder named on its own, without a class
// word: an MD2 folder or file is Keyform's, a file in a format Meshform reads
// is Meshform's. Only names and the file system are looked at; no plug-in is loaded.
#pragma once

#include <string>

class ModelFileClass {
public:
    struct Choice {
        std::string classWord;  // empty when no class opens the path
        std::string path;       // what the class is given: an MD2 file's folder, else the path itself
    };

    // A folder holding tris.md2, or a regular file ending ".md2" (any case),
    // is Keyform's folder; another regular file with an extension of
    // isMeshFileName is Meshform's.
    static Choice of(const std::string& path);
    // Whether the name ends in an extension of the formats Meshform reads that
    // models are passed around in (any case).
    static bool isMeshFileName(const char* name);
};
