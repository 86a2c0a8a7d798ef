// Scoped model-list mutex. The mutex is not recursive: a holder must never
// create a second guard on the same thread. A plain mutex lets the thread
// that just let go take it straight back, ahead of a thread that was
// waiting; so every thread but the window thread announces its wait, and the
// window thread steps back (for a bounded time) while anyone is announced.
#include "scene/ModelListLock.h"

#include <pthread.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>

#include "scene/SceneState.h"

namespace {

// Threads other than the window thread that are waiting for the mutex.
std::atomic<int> waiting_elsewhere = 0;
thread_local bool on_window_thread = false;

// However long a waiter takes to wake and take the mutex, the window thread
// gives way no longer than this.
const std::chrono::milliseconds kLongestGiveWay{200};

void giveWayToWaiters() {
    if (waiting_elsewhere.load(std::memory_order_acquire) == 0)
        return;
    const auto until = std::chrono::steady_clock::now() + kLongestGiveWay;
    while (waiting_elsewhere.load(std::memory_order_acquire) > 0 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::microseconds(50));
}

// Locks the mutex as the calling thread's role asks; pthread's result.
int lockInTurn() {
    if (on_window_thread) {
        giveWayToWaiters();
        return pthread_mutex_lock(&modelListMutex);
    }
    waiting_elsewhere.fetch_add(1, std::memory_order_acq_rel);
    const int rc = pthread_mutex_lock(&modelListMutex);
    waiting_elsewhere.fetch_sub(1, std::memory_order_acq_rel);
    return rc;
}

}  // namespace

ModelListLock::ModelListLock()
    : ModelListLock("model list - mutex lock error", "model list - mutex unlock error", LINE) {}

ModelListLock::ModelListLock(const char* lockMessage, const char* unlockMessage, Report report)
    : unlockMessage_(unlockMessage), report_(report), locked_(false) {
    const int rc = lockInTurn();
    if (rc == 0) {
        locked_ = true;
    } else {
        errno = rc;
        fail(lockMessage);
    }
}

ModelListLock::~ModelListLock() {
    if (!locked_)
        return;
    const int rc = pthread_mutex_unlock(&modelListMutex);
    if (rc != 0) {
        errno = rc;
        fail(unlockMessage_);
    }
}

void ModelListLock::markWindowThread() {
    on_window_thread = true;
}

void ModelListLock::holdForExit(int seconds) {
    timespec until;
    clock_gettime(CLOCK_REALTIME, &until);
    until.tv_sec += seconds;
    pthread_mutex_timedlock(&modelListMutex, &until);
}

void ModelListLock::fail(const char* message) const {
    switch (report_) {
        case PERROR: std::perror(message); break;
        case NO_NEWLINE:
            std::fputs(message, stdout);
            std::fflush(stdout);
            break;
        case LINE: std::puts(message); break;
    }
}
