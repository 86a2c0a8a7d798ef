// Finding model classes: the registry first, then the plug-in libraries named
// after the class. Loading a library runs its registration, so the registry
// is simply asked again afterwards; handles are dropped because libraries stay
// loaded for the life of the process. A factory's own reason for refusing a
// model is kept here until the console takes it; both run on the console thread.
#include "plugins/ClassRegistry.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace {

std::string reportedFailure;  // console thread only

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
    std::string reason;
    return findModelClass(class_word, reason);
}

model_factory findModelClass(const char* class_word, std::string& reason) {
    if (!isClassWord(class_word)) {
        reason = "not a class name";
        return nullptr;
    }
    // A longer word would not fit the path; such a class is never found.
    if (std::strlen(class_word) > kLongestClassWord) {
        reason = "class name too long";
        return nullptr;
    }
    model_factory factory = registered(class_word);
    if (factory)
        return factory;

    char path[kPathBufferSize];
    std::snprintf(path, sizeof path, "./models/%s.so", class_word);
    bool loaded = dlopen(path, RTLD_NOW) != nullptr;
    if (!loaded) {
        // A library that is there but will not load says more than a
        // missing one in the working directory.
        const char* error = dlerror();
        const bool present = ::access(path, F_OK) == 0;
        reason = present && error ? error : "";
        std::snprintf(path, sizeof path, "./%s.so", class_word);
        loaded = dlopen(path, RTLD_NOW) != nullptr;
        error = dlerror();
        if (!loaded && reason.empty())
            reason = error ? error : path;
    }
    factory = registered(class_word);
    if (!factory && loaded)
        reason = "no library registers this class";
    return factory;
}

const char* loadClassLibrary(const char* file) {
    if (dlopen(file, RTLD_NOW))
        return nullptr;
    const char* error = dlerror();
    return error ? error : file;
}

void reportModelCreationFailure(const char* message) {
    reportedFailure = message ? message : "";
}

std::string takeModelCreationFailure() {
    std::string message;
    message.swap(reportedFailure);
    return message;
}
