// The files Assimp opens while importing a model: the model file and its
// companions (an OBJ's material library, a glTF's buffers and images). Each is
// read whole through FileContents, so a FIFO or device is refused like any
// other file the program reads, and all of them together stay under one budget.
#pragma once

#include <assimp/IOSystem.hpp>

#include <cstddef>
#include <map>
#include <memory>
#include <string>

class BoundedIOSystem : public Assimp::IOSystem {
public:
    // No more than limit bytes in all, each file whole or not at all.
    explicit BoundedIOSystem(size_t limit) : left_(limit) {}

    bool Exists(const char* file) const override;
    char getOsSeparator() const override { return '/'; }
    // Null for a file that is not a regular file, cannot be read or would pass the budget; read-only.
    Assimp::IOStream* Open(const char* file, const char* mode) override;
    void Close(Assimp::IOStream* stream) override;

    // Why the last file refused was refused, naming it; empty when none was.
    const std::string& refusal() const { return refusal_; }

private:
    size_t left_;
    // Assimp opens a file several times (to tell its format, then to read it): each is read and counted once.
    std::map<std::string, std::shared_ptr<const std::string>> read_;
    std::string refusal_;
};
