// Atomic replacement of a file through a temporary beside it. The temporary
// is created exclusively under a name made of the target's, the process id and
// an attempt number, so concurrent savers never share one; it lives in the
// target's directory so that the rename stays within one file system.
#include "model/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

AtomicFile::AtomicFile(const char* target) : target_(target ? target : ""), stream_(nullptr) {}

AtomicFile::~AtomicFile() {
    discard();
}

FILE* AtomicFile::open() {
    discard();
    struct stat old;
    const bool replacing = stat(target_.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary_ = target_ + ".tmp" + std::to_string(getpid()) + "-" + std::to_string(attempt);
        fd = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        temporary_.clear();
        return nullptr;
    }
    if (replacing)
        fchmod(fd, old.st_mode & 07777);  // a rewritten file keeps its permissions
    stream_ = fdopen(fd, "wb");
    if (!stream_) {
        close(fd);
        discard();
    }
    return stream_;
}

bool AtomicFile::commit() {
    if (!stream_)
        return false;
    // The data must be on disk before the rename makes it the file.
    bool ok = std::fflush(stream_) == 0 && !std::ferror(stream_) && fsync(fileno(stream_)) == 0;
    ok = std::fclose(stream_) == 0 && ok;
    stream_ = nullptr;
    ok = ok && std::rename(temporary_.c_str(), target_.c_str()) == 0;
    if (ok)
        temporary_.clear();
    else
        discard();
    return ok;
}

void AtomicFile::discard() {
    if (stream_)
        std::fclose(stream_);
    stream_ = nullptr;
    if (!temporary_.empty())
        unlink(temporary_.c_str());
    temporary_.clear();
}
