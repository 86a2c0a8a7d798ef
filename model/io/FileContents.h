// A whole file read into memory, or why it could not be: the one way the
// program reads a file whole. Files are read this way before the model-list
// mutex is taken, so that a file that never ends or never opens (a FIFO, a
// device) cannot hold the window up; only regular files are read at all.
#pragma once

#include <string>

struct FileContents {
    enum Status {
        kRead,        // bytes holds the whole file
        kOpenFailed,  // error holds the reason
        kNotRegular,  // a FIFO, device, directory or socket: not read (error is EISDIR for a directory, else 0)
        kReadFailed,  // error holds the reason
    };

    Status status = kOpenFailed;
    int error = 0;  // errno of a failed open or read
    std::string bytes;

    // Never blocks on a FIFO: it is opened without waiting for a writer and
    // refused unread.
    static FileContents read(const char* path);
    // The bytes of the regular file open on fd, from its start whatever the
    // file position, which stays as it was. False with *error set on failure.
    static bool readAll(int fd, std::string* bytes, int* error);
};
