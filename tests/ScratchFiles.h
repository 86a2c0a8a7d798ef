// Scratch folders, whole files read and written byte for byte, a file-size limit, a scoped environment variable.
#pragma once

#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

struct ScratchDir {
    std::string root = [] {
        char p[] = "/tmp/velmora-test-XXXXXX";
        return std::string(mkdtemp(p) ? p : "");
    }();
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
    std::string path(const std::string& name) const { return root + "/" + name; }
    long entries() const { return std::distance(std::filesystem::directory_iterator(root), {}); }
};

// name set to value (unset when null) until the end of the scope, then put back as it was.
struct ScopedEnv {
    ScopedEnv(const char* name, const char* value) : name_(name), had_(std::getenv(name) != nullptr) {
        if (had_)
            old_ = std::getenv(name);
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedEnv() { had_ ? setenv(name_, old_.c_str(), 1) : unsetenv(name_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    bool had_;
    std::string old_;
};

template <class Bytes = std::string>
Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

template <class Bytes>
void writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// What f returns when run with no file allowed to grow past `limit` bytes.
template <class F>
auto underFileSizeLimit(rlim_t limit, F f) {
    rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    const rlimit small = {limit, old.rlim_max};
    auto handler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    auto result = f();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, handler);
    return result;
}
