// Candidate paths for class libraries and sample files, built as strings of
// any length from the working directory and the executable's folder, which
// the kernel gives as the target of /proc/self/exe (already free of links).
#include "plugins/RuntimePaths.h"

#include <unistd.h>

namespace {

// The folder above dir ("/usr/local/bin/" gives "/usr/local/"); the root is its own.
std::string parentOf(const std::string& dir) {
    const size_t end = dir.find_last_not_of('/');
    if (end == std::string::npos)
        return "/";
    const size_t slash = dir.rfind('/', end);
    return slash == std::string::npos ? std::string() : dir.substr(0, slash + 1);
}

}  // namespace

std::string executableDir() {
    std::string target(256, '\0');
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", &target[0], target.size());
        if (length < 0)
            return std::string();
        if (static_cast<size_t>(length) < target.size()) {
            target.resize(static_cast<size_t>(length));
            break;
        }
        target.resize(target.size() * 2);  // it may have been cut: try a larger buffer
    }
    const size_t slash = target.rfind('/');
    return slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
}

std::vector<std::string> classFolders(const std::string& exeDir) {
    std::vector<std::string> folders = {"./models/"};
    if (!exeDir.empty()) {
        folders.push_back(parentOf(exeDir) + "lib/velmora/models/");
        folders.push_back(exeDir + "models/");
    }
    return folders;
}

std::vector<std::string> classLibraryPaths(const std::string& classWord, const std::string& exeDir) {
    const std::string file = classWord + ".so";
    std::vector<std::string> paths;
    for (const std::string& folder : classFolders(exeDir)) {
        paths.push_back(folder + file);
        if (paths.size() == 1)
            paths.push_back("./" + file);  // the working directory itself, right after its models/
    }
    return paths;
}

std::vector<std::string> sampleFilePaths(const std::string& file, const std::string& exeDir) {
    std::vector<std::string> paths = {"./" + file};
    if (!exeDir.empty()) {
        paths.push_back(parentOf(exeDir) + "share/velmora/" + file);
        paths.push_back(exeDir + file);
    }
    return paths;
}

std::string findSampleFile(const std::string& file) {
    const std::vector<std::string> paths = sampleFilePaths(file, executableDir());
    for (const std::string& path : paths)
        if (::access(path.c_str(), F_OK) == 0)
            return path;
    return paths.front();
}
