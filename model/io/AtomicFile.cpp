// Saving a file whole. Relies on Linux: a temporary opened with O_TMPFILE has
// no name until it is linked in through /proc/self/fd, so a save killed half
// way leaves nothing behind; where the file system cannot do that, a short
// named temporary takes its place. Temporary names stay short whatever the
// target's length, and live in the target's directory so the rename stays
// within one file system.
#include "model/io/AtomicFile.h"

#include <fcntl.h>
#include <stdio_ext.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <vector>

#include "model/io/FileContents.h"

namespace {

const int kMostLinks = 40;  // as many as the kernel follows in one path
const int kNameAttempts = 100;

// A short name no other save uses at the moment; callers retry on EEXIST.
std::string temporaryName(const std::string& directory) {
    static std::atomic<unsigned> counter{0};
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    unsigned long mix = static_cast<unsigned long>(now.tv_nsec) * 2654435761u ^
                        static_cast<unsigned long>(getpid()) << 16 ^ counter.fetch_add(1) * 40503u;
    const char digits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string name = directory + "/.velmora-";
    for (int i = 0; i < 6; ++i, mix /= 36)
        name += digits[mix % 36];
    return name;
}

int createNamedTemporary(const std::string& directory, std::string* name) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        *name = temporaryName(directory);
        int fd = ::open(name->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    name->clear();
    errno = EEXIST;
    return -1;
}

// An unnamed temporary in directory, or -1 with errno 0 when the file system
// (or a missing /proc) cannot give one and a named one must do.
int createAnonymousTemporary(const std::string& directory) {
    if (access("/proc/self/fd", X_OK) != 0) {
        errno = 0;
        return -1;
    }
    int fd = ::open(directory.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL))
        errno = 0;
    return fd;
}

bool writeAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

AtomicFile::AtomicFile(const char* target)
    : target_(target ? target : ""), stream_(nullptr), inPlace_(false), regular_(false), anonymous_(false), error_(0) {}

AtomicFile::~AtomicFile() {
    discard();
}

std::string AtomicFile::directoryOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool AtomicFile::followLinks(const std::string& path, std::string* out, int* err) {
    std::string at = path;
    for (int hops = 0; hops <= kMostLinks; ++hops) {
        struct stat st;
        if (lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            *out = at;
            return true;
        }
        std::vector<char> link(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
        ssize_t n = readlink(at.c_str(), link.data(), link.size());
        if (n < 0 || static_cast<size_t>(n) >= link.size()) {
            *err = n < 0 ? errno : ENAMETOOLONG;
            return false;
        }
        std::string next(link.data(), static_cast<size_t>(n));
        at = next[0] == '/' ? next : directoryOf(at) + "/" + next;
    }
    *err = ELOOP;
    return false;
}

bool AtomicFile::fail(int err) {
    if (error_ == 0)
        error_ = err != 0 ? err : EIO;
    return false;
}

FILE* AtomicFile::open() {
    discard();
    error_ = 0;
    int err = 0;
    if (target_.empty())
        fail(ENOENT);
    else if (!followLinks(target_, &path_, &err))
        fail(err);
    if (error_)
        return nullptr;
    directory_ = directoryOf(path_);
    struct stat old;
    const bool exists = stat(path_.c_str(), &old) == 0;
    if (!exists && errno != ENOENT) {
        fail(errno);
        return nullptr;
    }
    // Renaming over another hard link's file, or over a device, would split
    // or replace it rather than write to it.
    if (exists && (!S_ISREG(old.st_mode) || old.st_nlink > 1))
        return openInPlace(old) ? stream_ : nullptr;
    if (openReplacement(exists ? &old : nullptr))
        return stream_;
    // A directory we may not write can still hold a file we may.
    if (exists && (error_ == EACCES || error_ == EPERM)) {
        error_ = 0;
        if (openInPlace(old))
            return stream_;
    }
    return nullptr;
}

bool AtomicFile::openReplacement(const struct stat* old) {
    int fd = createAnonymousTemporary(directory_);
    anonymous_ = fd >= 0;
    if (fd < 0 && errno == 0)
        fd = createNamedTemporary(directory_, &temporary_);
    if (fd < 0)
        return fail(errno);
    if (old) {
        // Owner first: changing it may clear the set-id bits the mode restores.
        // Where the owner is not ours to give, the file becomes ours, as any
        // rewrite of it by us would.
        struct stat now;
        if (fstat(fd, &now) == 0 && (now.st_uid != old->st_uid || now.st_gid != old->st_gid)) {
            int ignored = fchown(fd, old->st_uid, old->st_gid);
            (void)ignored;
        }
        fchmod(fd, old->st_mode & 07777);
    }
    stream_ = fdopen(fd, "wb");
    if (!stream_) {
        int err = errno;
        close(fd);
        discard();
        return fail(err);
    }
    inPlace_ = false;
    return true;
}

bool AtomicFile::openInPlace(const struct stat& old) {
    regular_ = S_ISREG(old.st_mode);
    // Read access for the copy of the old contents; a FIFO without a reader
    // refuses at once rather than blocking the save.
    int fd = ::open(path_.c_str(), (regular_ ? O_RDWR : O_WRONLY) | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail(errno);
    int flags = fcntl(fd, F_GETFL);
    if (flags >= 0)
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    int readError = 0;
    // Putting the old file back takes all of it, whatever its size.
    if (regular_ && !FileContents::readAll(fd, &backup_, &readError, SIZE_MAX)) {
        close(fd);
        return fail(readError);
    }
    stream_ = fdopen(fd, "wb");  // does not truncate: the old bytes stay until commit
    if (!stream_) {
        int err = errno;
        close(fd);
        backup_.clear();
        return fail(err);
    }
    inPlace_ = true;
    return true;
}

bool AtomicFile::commit() {
    if (!stream_)
        return fail(EBADF);
    bool ok = inPlace_ ? commitInPlace() : commitReplacement();
    discard();
    return ok;
}

bool AtomicFile::commitReplacement() {
    const int fd = fileno(stream_);
    errno = 0;
    // The data must be on disk before the rename makes it the file.
    if (std::fflush(stream_) != 0 || std::ferror(stream_) || fsync(fd) != 0)
        return fail(errno);
    if (anonymous_ && !linkAnonymous(fd))
        return false;
    FILE* stream = stream_;
    stream_ = nullptr;
    if (std::fclose(stream) != 0)
        return fail(errno);
    if (std::rename(temporary_.c_str(), path_.c_str()) != 0)
        return fail(errno);
    temporary_.clear();
    // The rename itself reaches the disk with the directory.
    int dir = ::open(directory_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return true;
}

// Gives the unnamed temporary a short name beside the target, to be renamed
// over it: a link cannot replace an existing name by itself.
bool AtomicFile::linkAnonymous(int fd) {
    char proc[64];
    std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::string name = temporaryName(directory_);
        if (linkat(AT_FDCWD, proc, AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            temporary_ = name;
            return true;
        }
        if (errno != EEXIST)
            return fail(errno);
    }
    return fail(EEXIST);
}

bool AtomicFile::commitInPlace() {
    const int fd = fileno(stream_);
    errno = 0;
    bool ok = std::fflush(stream_) == 0 && !std::ferror(stream_);
    if (ok && regular_) {
        off_t end = ftello(stream_);
        ok = end >= 0 && ftruncate(fd, end) == 0;
    }
    // Devices such as /dev/null cannot be synced and need not be.
    if (ok && fsync(fd) != 0)
        ok = !regular_ && (errno == EINVAL || errno == EROFS);
    if (ok) {
        FILE* stream = stream_;
        stream_ = nullptr;
        backup_.clear();
        inPlace_ = false;
        std::fclose(stream);  // synced already: nothing is left to fail
        return true;
    }
    fail(errno);
    restoreOldContents();
    return false;
}

// Puts the old contents of a file written in place back: whatever of the new
// ones is still buffered is dropped first, so closing adds nothing.
void AtomicFile::restoreOldContents() {
    if (!stream_ || !inPlace_)
        return;
    __fpurge(stream_);
    const int fd = fileno(stream_);
    if (regular_ && writeAll(fd, backup_) && ftruncate(fd, static_cast<off_t>(backup_.size())) == 0)
        fsync(fd);
    backup_.clear();
    inPlace_ = false;  // done once: closing the stream now only closes it
}

void AtomicFile::discard() {
    if (stream_) {
        if (inPlace_)
            restoreOldContents();
        std::fclose(stream_);
    }
    stream_ = nullptr;
    if (!temporary_.empty())
        unlink(temporary_.c_str());
    temporary_.clear();
    backup_.clear();
    anonymous_ = false;
    inPlace_ = false;
}

bool AtomicFile::replace(const char* target, const std::vector<unsigned char>& bytes, bool* opened, int* err) {
    AtomicFile file(target);
    FILE* stream = file.open();
    *opened = stream != nullptr;
    if (!stream) {
        *err = file.error();
        return false;
    }
    // A write the stream passed straight to the file says why it fell short
    // only now; commit would see no more than the stream's error flag.
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), stream) != bytes.size())
        file.fail(errno);
    if (file.error() != 0 || !file.commit()) {
        *err = file.error() ? file.error() : EIO;
        return false;
    }
    return true;
}
