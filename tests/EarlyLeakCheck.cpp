// Leaks are checked once every test has run, not at exit, where LeakSanitizer races the GL driver's teardown and
// could crash after every test passed; the leaks found are the same, and the check at exit is turned off.
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
