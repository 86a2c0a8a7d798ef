#pragma once

// Replaces a file as a whole or not at all, the way careful editors save.
// Links are followed, so the file a symbolic link points to is the one that
// changes and the link stays. A plain file is replaced through a temporary in
// its directory that is renamed over it only when every write succeeded, so
// readers see the old file or the new one, never a part. Where a rename would
// break something (a file with other hard links, a device or other file that
// is not a regular one, a writable file in a directory we may not write) the
// file is written in place instead, its old contents held in memory and put
// back when the write fails.

#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

class AtomicFile {
public:
    explicit AtomicFile(const char* target);
    ~AtomicFile();  // an uncommitted save is abandoned: the target keeps its old contents
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Opens the stream the new contents are written to: a temporary that keeps
    // the permissions and owner of the file it replaces, or the file itself.
    // Null when neither can be opened; error() then says why.
    FILE* open();
    // Flushes, checks for write errors and syncs the new contents to disk, then
    // makes them the file's. False, with the old contents in place and nothing
    // left behind, when any of that fails; error() then says why.
    bool commit();
    // The system's error number of the first failure; 0 when none is known.
    int error() const { return error_; }

    // Makes bytes the whole of target in one go, as open, a write and commit
    // do. False with the system's error number in *err (EIO when a write
    // failed for no known reason); *opened says whether target could be
    // opened at all, which savers report in words of their own.
    static bool replace(const char* target, const std::vector<unsigned char>& bytes, bool* opened, int* err);

    // The file path names once every symbolic link at its end is followed, as
    // a save writes it; relative links count from the link's own directory, a
    // dangling link names the file it would point to. False with the system's
    // error number in *err when the links cannot be read or do not end.
    static bool followLinks(const std::string& path, std::string* out, int* err);
    // Everything before the last slash ("." without one, "/" for a file in the root).
    static std::string directoryOf(const std::string& path);

private:
    bool openReplacement(const struct stat* old);
    bool openInPlace(const struct stat& old);
    bool commitReplacement();
    bool commitInPlace();
    bool linkAnonymous(int fd);
    void restoreOldContents();
    bool fail(int err);
    void discard();

    std::string target_;     // as given
    std::string path_;       // the file that changes: target_ with links followed
    std::string directory_;  // path_'s directory
    std::string temporary_;  // named temporary beside path_, empty while there is none
    std::string backup_;     // old contents of a regular file written in place
    FILE* stream_;
    bool inPlace_;
    bool regular_;    // the file written in place is a regular one (its contents are kept)
    bool anonymous_;  // the temporary has no name yet (opened with O_TMPFILE)
    int error_;
};
