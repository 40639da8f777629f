#pragma once
// Reading and writing the little-endian integers of RIFF files, byte by byte, so the result
// does not depend on the machine's own byte order or on the alignment of the bytes.

#include <cstdint>

namespace LittleEndian {

inline uint16_t read16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

inline uint32_t read32(const uint8_t* p) {
    return static_cast<uint32_t>(read16(p)) | static_cast<uint32_t>(read16(p + 2)) << 16;
}

inline uint64_t read64(const uint8_t* p) {
    return static_cast<uint64_t>(read32(p)) | static_cast<uint64_t>(read32(p + 4)) << 32;
}

// Writes the low `bytes` bytes of v.
inline void write(uint8_t* p, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        p[i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

} // namespace LittleEndian
