// Finding model classes: the registry first, then the plug-in libraries named
// after the class. Loading a library runs its registration, so the registry
// is simply asked again afterwards; handles are dropped because libraries stay
// loaded for the life of the process.
#include "plugins/ClassRegistry.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstring>

namespace {

// "./models/" and ".so" take 12 characters and the terminator one.
const size_t kPathBufferSize = 128;
const size_t kLongestClassWord = 115;

model_factory registered(const char* class_word) {
    // The map's key type is non-const; lookup never writes through it.
    auto found = model_classes.find(const_cast<char*>(class_word));
    return found == model_classes.end() ? nullptr : found->second;
}

}  // namespace

bool isClassWord(const char* word) {
    return word && std::strchr(word, '/') == nullptr && std::strcmp(word, ".") != 0 && std::strcmp(word, "..") != 0;
}

model_factory findModelClass(const char* class_word) {
    // A longer word would not fit the path; such a class is never found.
    if (!isClassWord(class_word) || std::strlen(class_word) > kLongestClassWord)
        return nullptr;
    model_factory factory = registered(class_word);
    if (factory)
        return factory;

    char path[kPathBufferSize];
    std::snprintf(path, sizeof path, "./models/%s.so", class_word);
    if (!dlopen(path, RTLD_NOW)) {
        std::snprintf(path, sizeof path, "./%s.so", class_word);
        dlopen(path, RTLD_NOW);
    }
    // The loader's message is wanted only by an explicit load; drop it here.
    dlerror();
    return registered(class_word);
}

const char* loadClassLibrary(const char* file) {
    if (dlopen(file, RTLD_NOW))
        return nullptr;
    const char* error = dlerror();
    return error ? error : file;
}

void reportModelCreationFailure(const char* message) {
    if (message)
        std::fputs(message, stdout);
}
