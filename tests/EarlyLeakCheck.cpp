// Leak checking once every test has run, before the process exits: the check
// LeakSanitizer makes at exit races with the GL driver tearing down its
// threads' storage and can crash after every test passed. A check made here
// finds the same leaks (anything unreachable now stays unreachable) and
// turns the one at exit off.
#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>

namespace {

class EarlyLeakCheck : public ::testing::Environment {
public:
    void TearDown() override { __lsan_do_leak_check(); }
};

const ::testing::Environment* const registered = ::testing::AddGlobalTestEnvironment(new EarlyLeakCheck);

}  // namespace
#endif
