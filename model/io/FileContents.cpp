// Reading a file whole with plain system calls: opened without blocking,
// checked to be a regular file of an acceptable size, then read to its end by
// position, so a caller's descriptor keeps its offset.
#include "model/io/FileContents.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

bool FileContents::readAll(int fd, std::string* bytes, int* error, size_t limit) {
    bytes->clear();
    char buffer[65536];
    for (off_t at = 0;;) {
        ssize_t got = ::pread(fd, buffer, sizeof buffer, at);
        if (got == 0)
            return true;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            *error = errno;
            return false;
        }
        // A file that grows while it is read stops at the limit all the same.
        if (static_cast<size_t>(got) > limit - bytes->size()) {
            *error = EFBIG;
            bytes->clear();
            return false;
        }
        try {
            bytes->append(buffer, static_cast<size_t>(got));
        } catch (const std::bad_alloc&) {
            *error = ENOMEM;
            return false;
        }
        at += got;
    }
}

FileContents FileContents::read(const char* path, size_t limit) {
    FileContents result;
    result.limit = limit;
    if (!path) {
        result.error = EINVAL;
        return result;
    }
    int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        result.error = errno;
        return result;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        result.status = kReadFailed;
        result.error = errno;
    } else if (!S_ISREG(st.st_mode)) {
        result.status = kNotRegular;
        result.error = S_ISDIR(st.st_mode) ? EISDIR : 0;
    } else if (static_cast<unsigned long long>(st.st_size) > limit) {
        result.status = kTooLarge;
    } else if (readAll(fd, &result.bytes, &result.error, limit)) {
        result.status = kRead;
    } else {
        result.status = result.error == EFBIG ? kTooLarge : kReadFailed;
        result.error = result.status == kTooLarge ? 0 : result.error;
        result.bytes.clear();
    }
    ::close(fd);
    return result;
}

std::string FileContents::reason() const {
    switch (status) {
        case kRead: return "";
        case kNotRegular: return error ? std::strerror(error) : "not a regular file";
        case kTooLarge:
            return limit % kMiB == 0 ? "too large (over " + std::to_string(limit / kMiB) + " MiB)"
                                     : "too large (over " + std::to_string(limit) + " bytes)";
        case kOpenFailed:
        case kReadFailed: break;
    }
    return std::strerror(error);
}
