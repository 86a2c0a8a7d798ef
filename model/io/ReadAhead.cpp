// The read-ahead of each thread is a thread-local pointer to the innermost
// live ReadAhead; streams on held files are memory streams over its bytes.
#include "model/io/ReadAhead.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace {

thread_local ReadAhead* current = nullptr;

}  // namespace

ReadAhead::ReadAhead() : previous_(current) {
    current = this;
}

ReadAhead::~ReadAhead() {
    current = previous_;
}

const FileContents& ReadAhead::add(const std::string& path) {
    FileContents& slot = files_[path];
    slot = FileContents::read(path.c_str());
    return slot;
}

std::FILE* ReadAhead::open(const char* path) {
    if (!path) {
        errno = EINVAL;
        return nullptr;
    }
    for (ReadAhead* ahead = current; ahead; ahead = ahead->previous_) {
        auto found = ahead->files_.find(path);
        if (found == ahead->files_.end())
            continue;
        FileContents& file = found->second;
        if (file.status != FileContents::kRead) {
            errno = file.status == FileContents::kNotRegular ? EINVAL : file.error;
            return nullptr;
        }
        // A read-only memory stream never writes to its buffer.
        static char empty[1];
        return fmemopen(file.bytes.empty() ? empty : &file.bytes[0], file.bytes.size(), "rb");
    }
    int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    std::FILE* stream = fdopen(fd, "rb");
    if (!stream) {
        int error = errno;
        ::close(fd);
        errno = error;
    }
    return stream;
}
