// Why a file could not be written, in words that point at the right thing:
// a write that finds no such file means a folder on its way is missing.
#pragma once

#include <string>

class WriteFailure {
public:
    // The folder file would go in, as written ("a/b" for "a/b/c.xml", "/"
    // for "/c.xml"), or "." for a bare name.
    static std::string folderOf(const std::string& file);
    // strerror(err), and for ENOENT "<folder>: No such file or directory".
    static std::string reason(const std::string& file, int err);
};
