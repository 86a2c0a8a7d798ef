#pragma once

// Replaces a file as a whole or not at all: the new contents go to a
// temporary file beside the target, which is synced to disk and renamed over
// the target only when every write succeeded. Readers of the target see the
// old file or the new one, never a part.

#include <cstdio>
#include <string>

class AtomicFile {
public:
    explicit AtomicFile(const char* target);
    ~AtomicFile();  // an uncommitted temporary is closed and removed
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary, with the permissions of the regular file it is to
    // replace, and opens it for writing; null when it cannot be created.
    FILE* open();
    // Flushes, checks for write errors, syncs and closes the temporary, then
    // renames it over the target. False, with the temporary removed, when any
    // of that fails.
    bool commit();

private:
    void discard();

    std::string target_;
    std::string temporary_;
    FILE* stream_;
};
