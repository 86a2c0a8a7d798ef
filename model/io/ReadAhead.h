// Files read ahead on one thread. While a ReadAhead lives, streams opened
// with ReadAhead::open on the thread that made it are served from the bytes
// it holds, so code that reads files by name (a model loading a skin) can run
// under the model-list mutex without touching the disk.
#pragma once

#include <cstdio>
#include <map>
#include <string>

#include "model/io/FileContents.h"

class ReadAhead {
public:
    ReadAhead();  // serves this thread from now on
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // Reads path now and keeps what came of it, also a failure.
    const FileContents& add(const std::string& path);

    // A stream on path for reading: from this thread's read-ahead when it
    // holds path (null, with errno set, for a file it could not read),
    // otherwise from disk, opened so that a FIFO cannot block.
    static std::FILE* open(const char* path);

private:
    std::map<std::string, FileContents> files_;
    ReadAhead* previous_;
};
