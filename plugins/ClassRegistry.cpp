// Finding model classes: the registry first, then the plug-in libraries named
// after the class in the trusted folders (beside the executable, then those
// the user names). Nothing is opened that is not a regular file.
// Loading a library runs its registration, so the registry is simply asked
// again afterwards; handles are dropped because libraries stay loaded for the
// life of the process. A factory's own reason for refusing a model is kept
// here until the console takes it; both run on the console thread.
#include "plugins/ClassRegistry.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
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

const char* kindOf(mode_t mode) {
    if (S_ISDIR(mode))
        return "a directory";
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISSOCK(mode))
        return "a socket";
    if (S_ISCHR(mode))
        return "a character device";
    if (S_ISBLK(mode))
        return "a block device";
    return "of an unknown kind";
}

// Empty when file may go to the loader, else "<file>: <why not>". The loader
// would open a FIFO for reading and wait for a writer forever, and a device
// could be anything: only a regular file (links followed) is let through.
// stat never opens; the open that confirms it cannot block, and its fstat
// catches a file swapped between the two. A file that is not there at all is
// left to the loader, whose message says so. A name without '/' is not
// looked for here: the loader searches the system's library folders for it.
std::string refusalOf(const char* file) {
    struct stat named;
    if (!std::strchr(file, '/') || ::stat(file, &named) != 0)
        return std::string();
    if (!S_ISREG(named.st_mode))
        return std::string(file) + ": not a regular file but " + kindOf(named.st_mode);
    const int fd = ::open(file, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return std::string();  // unreadable: the loader says why in its own words
    struct stat opened;
    const bool same = ::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_dev == named.st_dev &&
                      opened.st_ino == named.st_ino;
    ::close(fd);
    return same ? std::string() : std::string(file) + ": replaced while it was checked";
}

// dlopen of a file that passed refusalOf; reason holds why not on failure.
bool openLibrary(const char* file, std::string& reason) {
    reason = refusalOf(file);
    if (!reason.empty())
        return false;
    if (dlopen(file, RTLD_NOW))
        return true;
    const char* error = dlerror();
    reason = error ? error : file;
    return false;
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
    std::string firstPresent;               // the loader's message for the first library there that would not load
    reason = "no class folder to look in";  // the executable's folder unknown and none named
    for (const std::string& path : classLibraryPaths(class_word, trustedClassFolders())) {
        loaded = openLibrary(path.c_str(), reason);
        if (loaded)
            break;
        // A library that is there but will not load says more than a missing one.
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
    static std::string reason;  // console thread only, like the loader's own message
    return openLibrary(file, reason) ? nullptr : reason.c_str();
}

void reportModelCreationFailure(const char* message) {
    reportedFailure = message ? message : "";
}

std::string takeModelCreationFailure() {
    std::string message;
    message.swap(reportedFailure);
    return message;
}
