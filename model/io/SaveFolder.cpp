// Where a link found in a folder leads, compared by real paths: the folder's
// own and that of the directory the last link ends in, so that ".." and links
// among the directories on the way are judged by where they really are.
#include "model/io/SaveFolder.h"

#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <filesystem>

#include "model/io/AtomicFile.h"

namespace {

bool realPath(const std::string& path, std::string* out) {
    char resolved[PATH_MAX];
    if (!::realpath(path.c_str(), resolved))
        return false;
    *out = resolved;
    return true;
}

}  // namespace

bool SaveFolder::holds(const std::string& path) const {
    std::string folder, directory;
    if (!realPath(folder_, &folder) || !realPath(AtomicFile::directoryOf(path), &directory))
        return false;
    if (folder == "/")
        return true;
    return directory == folder || directory.compare(0, folder.size() + 1, folder + "/") == 0;
}

std::string SaveFolder::refusal(const std::string& file) const {
    struct stat st;
    if (lstat(file.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return std::string();
    std::string target;
    int err = 0;
    const bool ends = AtomicFile::followLinks(file, &target, &err);
    if (ends && holds(target))
        return std::string();
    const std::string shown =
        ends ? std::filesystem::path(target).lexically_normal().string() : "a file it never reaches";
    return "not saving " + file + ": it is a link to " + shown + ", outside the model's folder " + folder_;
}
