// The scratch folder a fuzz target writes its files into: one per process,
// removed at exit, with whole files written from the fuzzer's bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

#include "tests/ScratchFiles.h"

inline const ScratchDir& fuzzScratch() {
    static const ScratchDir dir;
    return dir;
}

// Writes size bytes to name inside the scratch folder and returns the path.
inline std::string writeScratch(const std::string& name, const uint8_t* data, size_t size) {
    const std::string path = fuzzScratch().path(name);
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return path;
}
