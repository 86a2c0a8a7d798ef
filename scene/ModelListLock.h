// A scoped hold on the model-list mutex that reports a failed lock or unlock
// the way the caller's messages require, and goes on either way. A command
// waits for at most the frame being drawn: the window thread holds the mutex
// only to step the models and to draw them.
#pragma once

class ModelListLock {
public:
    // How a failure is reported: through perror (the system's reason follows
    // on standard error), as a bare line on standard output, or as a line.
    enum Report { kPerror, kNoNewline, kLine };

    // The one pair of messages for every hold whose messages are not fixed.
    ModelListLock();
    ModelListLock(const char* lockMessage, const char* unlockMessage, Report report);
    ~ModelListLock();

    ModelListLock(const ModelListLock&) = delete;
    ModelListLock& operator=(const ModelListLock&) = delete;

    // Exit processing: takes the mutex and never gives it back, waiting at
    // most `seconds` (the caller might hold it itself). No messages.
    static void holdForExit(int seconds);

private:
    void fail(const char* message) const;

    const char* unlockMessage_;
    Report report_;
    bool locked_;
};
