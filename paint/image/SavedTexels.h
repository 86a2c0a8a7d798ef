#pragma once

// Whether a picture still holds what its file does: a digest of the texels
// as they were read from the file or last written to it. A picture whose
// file is not known to hold it (never read from one, or just loaded into a
// skin) counts as changed, so it is always written.

#include <cstdint>
#include <vector>

class SavedTexels {
public:
    static uint64_t digestOf(const std::vector<unsigned char>& rgb);

    // rgb is what the file holds now.
    void remember(const std::vector<unsigned char>& rgb) { remember(digestOf(rgb)); }
    void remember(uint64_t digest) {
        digest_ = digest;
        known_ = true;
    }
    void forget() { known_ = false; }
    bool known() const { return known_; }
    uint64_t digest() const { return digest_; }
    // Whether the file holds exactly rgb.
    bool holds(const std::vector<unsigned char>& rgb) const { return known_ && digestOf(rgb) == digest_; }

private:
    uint64_t digest_ = 0;
    bool known_ = false;
};
