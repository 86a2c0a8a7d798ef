// Finding model classes: the registry first, then the plug-in libraries named
// after the class, in the working directory and then beside the executable.
// Loading a library runs its registration, so the registry is simply asked
// again afterwards; handles are dropped because libraries stay loaded for the
// life of the process. A factory's own reason for refusing a model is kept
// here until the console takes it; both run on the console thread.
#include "plugins/ClassRegistry.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstring>

#include "plugins/RuntimePaths.h"

namespace {

std::string reportedFailure;  // console thread only

// Longer class words are refused, as they always were when the path lived in
// 128 characters; a class is thus found by the same words wherever it lies.
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
    if (std::strlen(class_word) > kLongestClassWord) {
        reason = "class name too long";
        return nullptr;
    }
    model_factory factory = registered(class_word);
    if (factory)
        return factory;

    bool loaded = false;
    std::string firstPresent;  // the loader's message for the first library there that would not load
    for (const std::string& path : classLibraryPaths(class_word, executableDir())) {
        loaded = dlopen(path.c_str(), RTLD_NOW) != nullptr;
        if (loaded)
            break;
        // A library that is there but will not load says more than a missing one.
        const char* error = dlerror();
        reason = error ? error : path;
        if (firstPresent.empty() && ::access(path.c_str(), F_OK) == 0)
            firstPresent = reason;
    }
    if (!loaded && !firstPresent.empty())
        reason = firstPresent;
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
