// Candidate paths for class libraries and sample files, built as strings of
// any length from the executable's folder, which the kernel gives as the
// target of /proc/self/exe (already free of links), the folders named in
// VELMORA_CLASS_PATH and the working directory.
#include "plugins/RuntimePaths.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

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

std::vector<std::string> classFolders(const std::string& exeDir, const char* classPath, bool inExeDir) {
    std::vector<std::string> folders;
    if (!exeDir.empty()) {
        folders.push_back(parentOf(exeDir) + "lib/velmora/models/");
        folders.push_back(exeDir + "models/");
    }
    // Unlike PATH, an empty entry does not mean the working directory: a
    // stray colon must not make whatever folder the user stands in trusted.
    const std::string list = classPath ? classPath : "";
    for (size_t start = 0; start <= list.size();) {
        size_t end = list.find(':', start);
        if (end == std::string::npos)
            end = list.size();
        if (end > start) {
            std::string folder = list.substr(start, end - start);
            if (folder.back() != '/')
                folder += '/';
            folders.push_back(folder);
        }
        start = end + 1;
    }
    if (inExeDir && !exeDir.empty()) {
        folders.push_back("./models/");
        folders.push_back("./");
    }
    return folders;
}

bool isWorkingDirectory(const std::string& dir) {
    if (dir.empty())
        return false;
    std::unique_ptr<char, decltype(&free)> here(realpath(".", nullptr), &free);
    std::unique_ptr<char, decltype(&free)> there(realpath(dir.c_str(), nullptr), &free);
    return here && there && std::string(here.get()) == there.get();
}

std::vector<std::string> trustedClassFolders() {
    const std::string exeDir = executableDir();
    return classFolders(exeDir, std::getenv("VELMORA_CLASS_PATH"), isWorkingDirectory(exeDir));
}

std::vector<std::string> classLibraryPaths(const std::string& classWord, const std::vector<std::string>& folders) {
    std::vector<std::string> paths;
    for (const std::string& folder : folders)
        paths.push_back(folder + classWord + ".so");
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
