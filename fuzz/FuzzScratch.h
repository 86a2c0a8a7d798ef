// The scratch folder a fuzz target writes its files into: one per process,
// removed at exit, with whole files written from the fuzzer's bytes. It lies
// under $TMPDIR when that is set (scripts/fuzz.sh points it at a memory file
// system, where the saves' fsync costs nothing), else under /tmp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/ScratchFiles.h"

class FuzzScratch {
public:
    FuzzScratch() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/velmora-fuzz-XXXXXX";
        root = mkdtemp(&pattern[0]) ? pattern : std::string();
        if (root.empty())
            std::abort();
    }
    ~FuzzScratch() {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
    FuzzScratch(const FuzzScratch&) = delete;
    FuzzScratch& operator=(const FuzzScratch&) = delete;

    std::string path(const std::string& name) const { return root + "/" + name; }

    std::string root;
};

inline const FuzzScratch& fuzzScratch() {
    static const FuzzScratch dir;
    return dir;
}

// Writes size bytes to name inside the scratch folder and returns the path.
inline std::string writeScratch(const std::string& name, const uint8_t* data, size_t size) {
    const std::string path = fuzzScratch().path(name);
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return path;
}
