// Scoped model-list mutex. The mutex is not recursive: a holder must never
// create a second guard on the same thread. It is a plain mutex, with no
// turn-taking: the window thread never takes it straight back after letting
// go (a buffer swap, or the wait for the next tick, comes in between), which
// leaves a woken console thread ample time to take it first.
#include "scene/ModelListLock.h"

#include <pthread.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

#include "scene/SceneState.h"

ModelListLock::ModelListLock()
    : ModelListLock("model list - mutex lock error", "model list - mutex unlock error", kLine) {}

ModelListLock::ModelListLock(const char* lockMessage, const char* unlockMessage, Report report)
    : unlockMessage_(unlockMessage), report_(report), locked_(false) {
    const int rc = pthread_mutex_lock(&modelListMutex);
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

void ModelListLock::holdForExit(int seconds) {
    timespec until;
    clock_gettime(CLOCK_REALTIME, &until);
    until.tv_sec += seconds;
    pthread_mutex_timedlock(&modelListMutex, &until);
}

void ModelListLock::fail(const char* message) const {
    switch (report_) {
        case kPerror: std::perror(message); break;
        case kNoNewline:
            std::fputs(message, stdout);
            std::fflush(stdout);
            break;
        case kLine: std::puts(message); break;
    }
}
