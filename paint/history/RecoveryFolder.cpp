// The recovery folders on disk. A run makes its folder under a hidden name
// and locks it before giving it its real name, so no other run ever finds it
// unlocked; locks are flock()s, which the system lets go of however a process
// ends.
#include "paint/history/RecoveryFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "model/io/AtomicFile.h"
#include "model/io/FileContents.h"

namespace {

const char kLockName[] = "lock";
const char kRunPrefix[] = "run-";

bool endsWith(const std::string& text, const char* tail) {
    const size_t n = std::strlen(tail);
    return text.size() >= n && text.compare(text.size() - n, n, tail) == 0;
}

// Makes every missing folder of path, each with mode 0700.
bool makeFolders(const std::string& path, std::string& why) {
    for (size_t at = 1; at <= path.size(); ++at) {
        if (at < path.size() && path[at] != '/')
            continue;
        const std::string part = path.substr(0, at);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            why = part + ": " + std::strerror(errno);
            return false;
        }
    }
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        why = path + ": not a folder";
        return false;
    }
    return true;
}

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir))
            if (entry->d_name[0] != '.')
                names.emplace_back(entry->d_name);
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The lock of folder when nobody else holds it, else -1.
int takeLock(const std::string& folder) {
    const int fd = ::open((folder + "/" + kLockName).c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

RecoveryFolder::~RecoveryFolder() {
    if (lockFd_ >= 0)
        ::close(lockFd_);
}

std::string RecoveryFolder::root(std::string& why) {
    std::string base;
    const char* state = std::getenv("XDG_STATE_HOME");
    const char* home = std::getenv("HOME");
    if (state && state[0] == '/') {
        base = state;
    } else if (home && home[0] == '/') {
        base = std::string(home) + "/.local/state";
    } else {
        why = "neither XDG_STATE_HOME nor HOME names an absolute folder";
        return "";
    }
    const std::string folder = base + "/velmora/recovery";
    return makeFolders(folder, why) ? folder : "";
}

bool RecoveryFolder::open(std::string& why) {
    const std::string base = root(why);
    if (base.empty())
        return false;
    std::string hidden = base + "/.new-XXXXXX";
    if (!::mkdtemp(&hidden[0])) {
        why = base + ": " + std::strerror(errno);
        return false;
    }
    const std::string lock = hidden + "/" + kLockName;
    const int fd = ::open(lock.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    const std::string named = base + "/" + kRunPrefix + hidden.substr(hidden.size() - 6);
    if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::rename(hidden.c_str(), named.c_str()) != 0) {
        why = hidden + ": " + std::strerror(errno);
        if (fd >= 0)
            ::close(fd);
        ::unlink(lock.c_str());
        ::rmdir(hidden.c_str());
        return false;
    }
    lockFd_ = fd;
    path_ = named;
    return true;
}

bool RecoveryFolder::write(const std::string& name, const std::vector<unsigned char>& bytes, std::string& why) const {
    bool opened = false;
    int err = 0;
    const std::string file = path_ + "/" + name;
    if (AtomicFile::replace(file.c_str(), bytes, &opened, &err))
        return true;
    why = file + ": " + std::strerror(err ? err : EIO);
    return false;
}

void RecoveryFolder::remove(const std::string& name) const {
    ::unlink((path_ + "/" + name).c_str());
}

void RecoveryFolder::removeAll() {
    if (path_.empty())
        return;
    removeFolder(path_);
    ::close(lockFd_);
    lockFd_ = -1;
    path_.clear();
}

void RecoveryFolder::removeFolder(const std::string& folder) {
    // The lock goes last, so the folder never looks like an ended run's while it is being emptied.
    for (const std::string& name : namesIn(folder))
        if (name != kLockName)
            ::unlink((folder + "/" + name).c_str());
    ::unlink((folder + "/" + kLockName).c_str());
    ::rmdir(folder.c_str());
}

std::vector<RecoveryFolder::Orphan> RecoveryFolder::claimOrphans() const {
    std::vector<Orphan> orphans;
    std::string why;
    const std::string base = root(why);
    if (base.empty())
        return orphans;
    for (const std::string& name : namesIn(base)) {
        const std::string folder = base + "/" + name;
        if (name.compare(0, std::strlen(kRunPrefix), kRunPrefix) != 0 || folder == path_)
            continue;
        Orphan orphan;
        orphan.folder = folder;
        orphan.lockFd = takeLock(folder);
        if (orphan.lockFd < 0)
            continue;  // its run is still going
        for (const std::string& file : namesIn(folder)) {
            if (!endsWith(file, kSuffix))
                continue;
            Entry entry;
            entry.file = folder + "/" + file;
            const FileContents contents = FileContents::read(entry.file.c_str(), FileContents::kJournalLimit);
            if (contents.status != FileContents::kRead) {
                entry.why = contents.reason();
            } else {
                entry.intact = JournalFormat::decode(reinterpret_cast<const unsigned char*>(contents.bytes.data()),
                                                     contents.bytes.size(), entry.skin, entry.why);
            }
            orphan.entries.push_back(std::move(entry));
        }
        if (orphan.entries.empty()) {
            discard(orphan);
            continue;
        }
        orphans.push_back(std::move(orphan));
    }
    return orphans;
}

void RecoveryFolder::release(Orphan& orphan) {
    if (orphan.lockFd >= 0)
        ::close(orphan.lockFd);
    orphan.lockFd = -1;
}

void RecoveryFolder::discard(Orphan& orphan) {
    removeFolder(orphan.folder);
    release(orphan);
}

std::string RecoveryFolder::absolute(const std::string& path) {
    if (path.empty())
        return path;
    if (char* resolved = ::realpath(path.c_str(), nullptr)) {
        std::string result(resolved);
        std::free(resolved);
        return result;
    }
    if (path[0] == '/')
        return path;
    char here[PATH_MAX];
    return ::getcwd(here, sizeof here) ? std::string(here) + "/" + path : path;
}
