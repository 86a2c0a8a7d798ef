#pragma once

// Where recovery journals live: $XDG_STATE_HOME/velmora/recovery (else
// ~/.local/state/velmora/recovery), one folder per running program. A run's
// folder holds a lock file the run keeps locked while it lives, so a folder
// whose lock can be taken belongs to a run that ended without cleaning up:
// what it holds is paint nobody saved.
#include <string>
#include <vector>

#include "paint/history/JournalFormat.h"

class RecoveryFolder {
public:
    // One journal file of an ended run, read and checked.
    struct Entry {
        std::string file;
        bool intact = false;
        std::string why;  // what is wrong with it when it is not intact
        JournalFormat::Skin skin;
    };
    // An ended run's folder, locked by this process until released or discarded.
    struct Orphan {
        std::string folder;
        int lockFd = -1;
        std::vector<Entry> entries;
    };

    RecoveryFolder() = default;
    ~RecoveryFolder();
    RecoveryFolder(const RecoveryFolder&) = delete;
    RecoveryFolder& operator=(const RecoveryFolder&) = delete;

    // The folder every run's journal goes under, made (mode 0700) as needed;
    // empty, with why set, when there is none to be had.
    static std::string root(std::string& why);
    // Makes and locks this run's folder; false, with why set, when it cannot.
    bool open(std::string& why);
    bool isOpen() const { return !path_.empty(); }
    const std::string& path() const { return path_; }

    // Makes bytes the whole of file name in this run's folder, in one go.
    bool write(const std::string& name, const std::vector<unsigned char>& bytes, std::string& why) const;
    void remove(const std::string& name) const;
    // Removes this run's folder with everything in it.
    void removeAll();

    // The folders of ended runs that hold journals, each locked and read;
    // ended runs' folders with nothing in them are removed on the way.
    std::vector<Orphan> claimOrphans() const;
    static void release(Orphan& orphan);
    static void discard(Orphan& orphan);

    // path made absolute, links resolved when it exists, so runs started in
    // other folders name a skin's file alike.
    static std::string absolute(const std::string& path);

    static constexpr const char* kSuffix = ".vpj";

private:
    static void removeFolder(const std::string& folder);

    std::string path_;
    int lockFd_ = -1;
};
