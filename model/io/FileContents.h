// A whole file read into memory, or why it could not be: the one way the
// program reads a file whole. Files are read this way before the model-list
// mutex is taken, so that a file that never ends or never opens (a FIFO, a
// device) cannot hold the window up; only regular files are read at all, and
// only up to a size that suits their kind.
#pragma once

#include <cstddef>
#include <string>

struct FileContents {
    enum Status {
        kRead,        // bytes holds the whole file
        kOpenFailed,  // error holds the reason
        kNotRegular,  // a FIFO, device, directory or socket: not read (error is EISDIR for a directory, else 0)
        kReadFailed,  // error holds the reason
        kTooLarge,    // larger than the limit asked for: not read (or not kept, if it grew while read)
    };

    // The largest file of each kind read. Far beyond any real model, skin or
    // script, they only keep a mistaken or hostile file from filling memory.
    static constexpr size_t kMiB = size_t(1) << 20;
    static constexpr size_t kImageLimit = 256 * kMiB;
    static constexpr size_t kMd2Limit = 64 * kMiB;
    static constexpr size_t kXmlLimit = 64 * kMiB;
    static constexpr size_t kCommandFileLimit = 64 * kMiB;
    // A recovery journal holds at most a whole skin of the largest size, three bytes a texel.
    static constexpr size_t kJournalLimit = 3 * size_t(16384) * 16384 + 64 * kMiB;

    Status status = kOpenFailed;
    int error = 0;  // errno of a failed open or read
    size_t limit = 0;
    std::string bytes;

    // Never blocks on a FIFO: it is opened without waiting for a writer and
    // refused unread. A file over limit bytes is refused by its size unread.
    static FileContents read(const char* path, size_t limit);
    // The bytes of the regular file open on fd, from its start whatever the
    // file position, which stays as it was. False with *error set on failure
    // (EFBIG past limit).
    static bool readAll(int fd, std::string* bytes, int* error, size_t limit);

    // Why a file was not read, for a message that names the file: "not a
    // regular file", "too large (over 64 MiB)" or the system's reason.
    std::string reason() const;
};
