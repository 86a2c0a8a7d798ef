#pragma once

// Keeps this run's recovery journal: the tiles of every skin that holds paint
// its file does not, written to the run's recovery folder by a thread of its
// own a few seconds after painting stops, at once after a save, and when a
// terminating signal arrives, before the process ends by it. Tiles are copied
// under the model-list mutex and written after it is released.
#include <pthread.h>
#include <semaphore.h>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "paint/history/DirtySkins.h"
#include "paint/history/RecoveryFolder.h"

class Image;

class JournalWriter {
public:
    // What the writer needs to know of a skin, found with the mutex held.
    struct SkinView {
        const Image* image = nullptr;
        std::string modelClass;  // empty for a model no class made: it is not journaled
        std::string modelName;
        std::string modelFile;  // what the model was made from, when it is listed under another name
    };
    using SkinFinder = std::function<bool(const DirtySkins::Key&, SkinView&)>;

    JournalWriter(pthread_mutex_t& listMutex, SkinFinder finder, std::unique_ptr<RecoveryFolder> folder);
    JournalWriter(const JournalWriter&) = delete;
    JournalWriter& operator=(const JournalWriter&) = delete;

    // Starts the writing thread; end is how it ends the process once it has
    // written what a terminating signal found unwritten.
    void start(void (*end)(int signum));

    // With the mutex held: the marks, and word that they changed.
    DirtySkins& dirty() { return dirty_; }
    void changed();     // written once painting has stopped for a few seconds
    void changedNow();  // written (or removed) at once

    // Without the mutex: writes whatever is unwritten now; false when some could not be.
    bool writeNow();
    // The program ends normally: the journal goes and nothing more is written.
    void discard();
    // Async-signal-safe: hands the signal to the writing thread of the running
    // journal, if there is one and it has not already taken one.
    static bool takeEndingSignal(int signum);

    const RecoveryFolder& folder() const { return *folder_; }

private:
    void run();
    bool writeChanges();
    static std::string fileName(const DirtySkins::Key& key);

    pthread_mutex_t& listMutex_;
    SkinFinder finder_;
    std::unique_ptr<RecoveryFolder> folder_;
    DirtySkins dirty_;  // under the model-list mutex

    // One write at a time. A plain pthread mutex: its timed lock is one ThreadSanitizer follows.
    pthread_mutex_t writing_ = PTHREAD_MUTEX_INITIALIZER;
    std::map<DirtySkins::Key, unsigned long long> written_;  // generation on disk; under writing_
    bool reported_ = false;                                  // a failed write was reported; under writing_

    sem_t wake_;
    std::atomic<bool> pending_{false};
    std::atomic<bool> urgent_{false};
    std::atomic<bool> closed_{false};
    std::atomic<int> signalled_{0};
    std::atomic<long long> lastChange_{0};  // steady clock, in nanoseconds
    void (*end_)(int) = nullptr;
};
