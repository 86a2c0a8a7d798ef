// Reading a file whole with plain system calls: opened without blocking,
// checked to be a regular file, then read to its end by position, so a
// caller's descriptor keeps its offset.
#include "model/io/FileContents.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

bool FileContents::readAll(int fd, std::string* bytes, int* error) {
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
        try {
            bytes->append(buffer, static_cast<size_t>(got));
        } catch (const std::bad_alloc&) {
            *error = ENOMEM;
            return false;
        }
        at += got;
    }
}

FileContents FileContents::read(const char* path) {
    FileContents result;
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
    } else if (readAll(fd, &result.bytes, &result.error)) {
        result.status = kRead;
    } else {
        result.status = kReadFailed;
        result.bytes.clear();
    }
    ::close(fd);
    return result;
}
