// Scratch files for every test: a temporary folder removed with its contents, whole files read and written byte for
// byte, and a file-size limit under which a write fails part way.
#pragma once

#include <sys/resource.h>

#include <csignal>
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
