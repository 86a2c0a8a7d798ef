// Assimp's file access for the model plug-in: whole regular files, read once
// into memory within a budget shared by the model and everything it names.
// Assimp only reads here; a request to write is refused.
#include "plugins/meshform/BoundedIOSystem.h"

#include <sys/stat.h>

#include <assimp/IOStream.hpp>

#include <algorithm>
#include <cstring>
#include <utility>

#include "model/io/FileContents.h"

namespace {

// One file's bytes, served to Assimp from memory.
class HeldFile : public Assimp::IOStream {
public:
    explicit HeldFile(std::shared_ptr<const std::string> bytes) : held_(std::move(bytes)), bytes_(*held_) {}

    size_t Read(void* buffer, size_t size, size_t count) override {
        if (size == 0 || count == 0)
            return 0;
        const size_t whole = std::min(count, (bytes_.size() - at_) / size);
        std::memcpy(buffer, bytes_.data() + at_, whole * size);
        at_ += whole * size;
        return whole;
    }
    size_t Write(const void*, size_t, size_t) override { return 0; }
    aiReturn Seek(size_t offset, aiOrigin origin) override {
        size_t target = offset;
        if (origin == aiOrigin_CUR)
            target = at_ + offset;
        else if (origin == aiOrigin_END)
            target = offset > bytes_.size() ? bytes_.size() + 1 : bytes_.size() - offset;
        if (target > bytes_.size())
            return aiReturn_FAILURE;
        at_ = target;
        return aiReturn_SUCCESS;
    }
    size_t Tell() const override { return at_; }
    size_t FileSize() const override { return bytes_.size(); }
    void Flush() override {}

private:
    std::shared_ptr<const std::string> held_;
    const std::string& bytes_;
    size_t at_ = 0;
};

}  // namespace

// Anything there exists, so that opening what is no regular file fails saying so.
bool BoundedIOSystem::Exists(const char* file) const {
    struct stat st;
    return file && stat(file, &st) == 0;
}

Assimp::IOStream* BoundedIOSystem::Open(const char* file, const char* mode) {
    if (!file || !mode || std::strpbrk(mode, "wa+"))
        return nullptr;
    auto& held = read_[file];
    if (!held) {
        FileContents contents = FileContents::read(file, left_);
        if (contents.status != FileContents::kRead) {
            refusal_ = std::string(file) + ": " + contents.reason();
            read_.erase(file);
            return nullptr;
        }
        left_ -= contents.bytes.size();
        held = std::make_shared<const std::string>(std::move(contents.bytes));
    }
    return new HeldFile(held);
}

void BoundedIOSystem::Close(Assimp::IOStream* stream) {
    delete stream;
}
