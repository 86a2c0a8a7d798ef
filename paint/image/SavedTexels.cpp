// The digest multiplies in eight bytes at a time, folding the high bits back
// down at each step so a change anywhere reaches every bit: skins run to tens
// of megabytes and are digested at every read and save, so speed matters more
// than resistance to crafted collisions, which no one gains from here.
#include "paint/image/SavedTexels.h"

#include <cstring>

uint64_t SavedTexels::digestOf(const std::vector<unsigned char>& rgb) {
    const uint64_t kPrime = 0x100000001b3ULL;
    uint64_t hash = 0xcbf29ce484222325ULL ^ rgb.size();
    size_t at = 0;
    for (; at + 8 <= rgb.size(); at += 8) {
        uint64_t word;
        std::memcpy(&word, rgb.data() + at, 8);
        hash = (hash ^ word) * kPrime;
        hash ^= hash >> 29;
    }
    for (; at < rgb.size(); ++at)
        hash = (hash ^ rgb[at]) * kPrime;
    return hash;
}
