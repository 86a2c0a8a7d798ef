// The journal's writing thread. It sleeps on a semaphore, the one wake-up a
// signal handler may give, and writes only the skins whose marks changed
// since it last wrote them; the file of a skin no longer marked is removed.
#include "paint/history/JournalWriter.h"

#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <thread>
#include <utility>
#include <vector>

#include "paint/image/Image.h"

namespace {

// The journal a terminating signal is handed to.
std::atomic<JournalWriter*> running_journal{nullptr};

// How long painting must have stopped before its tiles are written.
constexpr std::chrono::milliseconds kQuietTime{2500};

static_assert(std::atomic<int>::is_always_lock_free && std::atomic<JournalWriter*>::is_always_lock_free);

// What signalled_ holds once the program ends normally: no signal is taken on after that.
const int kEndedNormally = -1;

// How long a write waits for the model list before giving up this time.
const int kListWaitSeconds = 5;

long long steadyNanos() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

timespec realtimeIn(long long nanos) {
    timespec at;
    clock_gettime(CLOCK_REALTIME, &at);
    nanos += at.tv_nsec;
    at.tv_sec += static_cast<time_t>(nanos / 1000000000);
    at.tv_nsec = static_cast<long>(nanos % 1000000000);
    return at;
}

struct Job {
    DirtySkins::Key key;
    unsigned long long generation = 0;
    JournalFormat::Skin skin;
};

}  // namespace

JournalWriter::JournalWriter(pthread_mutex_t& listMutex, SkinFinder finder, std::unique_ptr<RecoveryFolder> folder)
    : listMutex_(listMutex), finder_(std::move(finder)), folder_(std::move(folder)) {
    sem_init(&wake_, 0, 0);
}

void JournalWriter::start(void (*end)(int)) {
    end_ = end;
    running_journal = this;
    std::thread([this] { run(); }).detach();
}

void JournalWriter::changed() {
    lastChange_ = steadyNanos();
    if (!pending_.exchange(true))
        sem_post(&wake_);
}

void JournalWriter::changedNow() {
    pending_ = true;
    urgent_ = true;
    sem_post(&wake_);
}

bool JournalWriter::takeEndingSignal(int signum) {
    JournalWriter* writer = running_journal.load();
    int none = 0;
    if (!writer || writer->closed_ || !writer->signalled_.compare_exchange_strong(none, signum))
        return false;
    sem_post(&writer->wake_);
    return true;
}

void JournalWriter::run() {
    for (;;) {
        if (const int signum = signalled_.load(); signum > 0) {
            pthread_mutex_lock(&writing_);
            writeChanges();
            if (written_.empty() && !closed_)
                folder_->removeAll();  // nothing unsaved: no journal to leave behind
            pthread_mutex_unlock(&writing_);
            if (end_)
                end_(signum);
            return;
        }
        if (closed_ || !pending_) {
            sem_wait(&wake_);
            continue;
        }
        const long long wait = lastChange_ + std::chrono::nanoseconds(kQuietTime).count() - steadyNanos();
        if (urgent_.exchange(false) || wait <= 0) {
            writeNow();
            continue;
        }
        const timespec until = realtimeIn(wait);
        sem_timedwait(&wake_, &until);
    }
}

bool JournalWriter::writeNow() {
    pthread_mutex_lock(&writing_);
    const bool ok = writeChanges();
    pthread_mutex_unlock(&writing_);
    return ok;
}

bool JournalWriter::writeChanges() {
    if (closed_)
        return false;
    std::vector<Job> jobs;
    std::vector<DirtySkins::Key> gone;
    const timespec until = realtimeIn(static_cast<long long>(kListWaitSeconds) * 1000000000);
    if (pthread_mutex_timedlock(&listMutex_, &until) != 0)
        return false;
    pending_ = false;
    for (const auto& [key, marked] : dirty_.skins()) {
        auto done = written_.find(key);
        if (done != written_.end() && done->second == marked.generation)
            continue;
        SkinView view;
        if (!finder_(key, view) || !view.image || view.modelClass.empty() || !view.image->pixels() ||
            view.image->width() != marked.width || view.image->height() != marked.height)
            continue;
        Job job;
        job.key = key;
        job.generation = marked.generation;
        job.skin.modelClass = view.modelClass;
        job.skin.modelName = view.modelName;
        job.skin.modelFile = view.modelFile;
        job.skin.sourceFile =
            view.image->getSourceFile().empty() ? view.image->getFilename() : view.image->getSourceFile();
        job.skin.skin = key.skin;
        job.skin.width = marked.width;
        job.skin.height = marked.height;
        const size_t row = 3 * static_cast<size_t>(marked.width);
        for (const TexelRect& rect : DirtySkins::tileRects(marked)) {
            JournalFormat::Tile tile;
            tile.rect = rect;
            const size_t span = 3 * static_cast<size_t>(rect.width());
            for (int y = rect.y0; y <= rect.y1; ++y) {
                const unsigned char* from = view.image->pixels() + row * y + 3 * static_cast<size_t>(rect.x0);
                tile.texels.insert(tile.texels.end(), from, from + span);
            }
            job.skin.tiles.push_back(std::move(tile));
        }
        jobs.push_back(std::move(job));
    }
    for (const auto& entry : written_)
        if (!dirty_.skins().count(entry.first))
            gone.push_back(entry.first);
    pthread_mutex_unlock(&listMutex_);

    bool ok = true;
    for (const DirtySkins::Key& key : gone) {
        folder_->remove(fileName(key));
        written_.erase(key);
    }
    for (Job& job : jobs) {
        job.skin.sourceFile = RecoveryFolder::absolute(job.skin.sourceFile);
        std::string why;
        if (folder_->write(fileName(job.key), JournalFormat::encode(job.skin), why)) {
            written_[job.key] = job.generation;
            continue;
        }
        ok = false;
        if (!reported_)
            std::printf("cannot keep unsaved paint for recovery: %s\n", why.c_str());
        reported_ = true;
    }
    return ok;
}

void JournalWriter::discard() {
    int none = 0;
    if (!signalled_.compare_exchange_strong(none, kEndedNormally)) {
        // A terminating signal came first (a hangup also ends the console's
        // input): its write ends the process, and the journal must outlive it.
        std::this_thread::sleep_for(std::chrono::seconds(4 * kListWaitSeconds));
        return;
    }
    closed_ = true;
    const timespec until = realtimeIn(static_cast<long long>(kListWaitSeconds) * 1000000000);
    if (pthread_mutex_timedlock(&writing_, &until) != 0)
        return;  // a write is stuck; the folder stays for the next run to find
    folder_->removeAll();
    pthread_mutex_unlock(&writing_);
}

std::string JournalWriter::fileName(const DirtySkins::Key& key) {
    return "skin-" + std::to_string(key.owner) + "-" + std::to_string(key.skin) + RecoveryFolder::kSuffix;
}
