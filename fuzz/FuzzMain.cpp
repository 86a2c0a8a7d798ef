// The entry point of a fuzz target built without libFuzzer: every file named,
// and every file inside every folder named, goes once through the target, in
// name order, so a regression run is the same on every machine. A crash ends
// the program with the sanitizer's report; otherwise it prints what it ran.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "model/io/FileContents.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::vector<std::filesystem::path> inputsUnder(const std::filesystem::path& where) {
    std::vector<std::filesystem::path> files;
    if (!std::filesystem::is_directory(where)) {
        files.push_back(where);
        return files;
    }
    for (const auto& entry : std::filesystem::recursive_directory_iterator(where))
        if (entry.is_regular_file())
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

int main(int argc, char** argv) {
    // Listed first and absolute: a target may change the working directory.
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i)
        for (const std::filesystem::path& file : inputsUnder(std::filesystem::absolute(argv[i])))
            files.push_back(file);
    for (const std::filesystem::path& file : files) {
        const FileContents input = FileContents::read(file.c_str(), FileContents::kImageLimit);
        if (input.status != FileContents::kRead) {
            std::fprintf(stderr, "cannot read %s\n", file.c_str());
            return 1;
        }
        // A string's data() is never null, so the target gets a valid pointer even for an empty file.
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.bytes.data()), input.bytes.size());
    }
    std::printf("ran %zu inputs\n", files.size());
    return 0;
}
