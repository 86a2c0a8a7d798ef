// Choosing a class for a model path by its name and what is there. The MD2
// case comes first: Meshform's reader would take an MD2 file too, but Keyform
// reads its skins and animations as the game meant them.
#include "plugins/ModelFileClass.h"

#include <strings.h>
#include <sys/stat.h>

#include <cstring>

namespace {

bool isRegularFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool isFolder(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The extension after the last '.' of the last path component; null when there is none.
const char* extensionOf(const char* name) {
    const char* dot = std::strrchr(name, '.');
    return dot && !std::strchr(dot, '/') ? dot + 1 : nullptr;
}

// "models/ogro/tris.md2" is in "models/ogro"; "tris.md2" in ".".
std::string folderOf(const std::string& file) {
    const size_t slash = file.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : file.substr(0, slash);
}

}  // namespace

bool ModelFileClass::isMeshFileName(const char* name) {
    static const char* const kExtensions[] = {"gltf", "glb",  "obj", "fbx", "dae", "3ds",     "ms3d", "b3d", "x",
                                              "ply",  "stl",  "lwo", "ase", "ac",  "md5mesh", "off",  "3mf", "irrmesh",
                                              "smd",  "ogex", "cob", "md3", "mdl", "iqm",     "blend"};
    const char* extension = extensionOf(name);
    if (!extension)
        return false;
    for (const char* known : kExtensions)
        if (strcasecmp(extension, known) == 0)
            return true;
    return false;
}

ModelFileClass::Choice ModelFileClass::of(const std::string& path) {
    if (isFolder(path))
        return isRegularFile(path + "/tris.md2") ? Choice{"Keyform", path} : Choice{};
    if (!isRegularFile(path))
        return Choice{};
    const char* extension = extensionOf(path.c_str());
    if (extension && strcasecmp(extension, "md2") == 0)
        return Choice{"Keyform", folderOf(path)};
    return isMeshFileName(path.c_str()) ? Choice{"Meshform", path} : Choice{};
}
