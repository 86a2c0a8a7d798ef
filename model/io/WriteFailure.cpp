// Names the folder rather than the file when a write found no such file:
// creating the file itself would have made it, so the folder is what is
// missing. The folder is the file's own, as the user wrote it.
#include "model/io/WriteFailure.h"

#include <cerrno>
#include <cstring>

std::string WriteFailure::folderOf(const std::string& file) {
    const size_t slash = file.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    const size_t end = file.find_last_not_of('/', slash);
    return end == std::string::npos ? "/" : file.substr(0, end + 1);
}

std::string WriteFailure::reason(const std::string& file, int err) {
    if (err == ENOENT)
        return folderOf(file) + ": " + std::strerror(err);
    return std::strerror(err);
}
