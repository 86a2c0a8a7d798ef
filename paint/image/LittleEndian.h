#pragma once

// Little-endian integers in byte buffers, as BMP and MD2 files store them:
// read from and written to fixed offsets, or appended to a growing buffer.

#include <cstdint>
#include <vector>

inline uint16_t readLe16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t readLe32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

inline void writeLe16(unsigned char* p, uint16_t v) {
    p[0] = static_cast<unsigned char>(v & 0xff);
    p[1] = static_cast<unsigned char>(v >> 8);
}

inline void writeLe32(unsigned char* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>((v >> (8 * i)) & 0xff);
}

inline void appendLe16(std::vector<unsigned char>& bytes, uint16_t v) {
    bytes.resize(bytes.size() + 2);
    writeLe16(&bytes[bytes.size() - 2], v);
}

inline void appendLe32(std::vector<unsigned char>& bytes, uint32_t v) {
    bytes.resize(bytes.size() + 4);
    writeLe32(&bytes[bytes.size() - 4], v);
}
