#pragma once
// Chunk-level reading of RIFF files: finding the RIFF chunk of a form type and the chunks
// inside it. Chunk bodies of odd size are followed by a pad byte. RF64 and BW64 files (sizes
// of 0xFFFFFFFF in the headers) take their real 64-bit sizes from the "ds64" chunk.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct RiffChunk {
    uint32_t id = 0;
    uint64_t size = 0;       // body size in bytes, without the pad byte
    uint32_t formType = 0;   // RIFF chunks only
    uint64_t dataOffset = 0; // 0-based offset of the body (after the form type for RIFF)
};

class RiffReader {
public:
    RiffReader() = default;
    RiffReader(const RiffReader&) = delete;
    RiffReader& operator=(const RiffReader&) = delete;
    ~RiffReader();

    static constexpr uint32_t fourCC(std::string_view s) {
        uint32_t v = 0;
        for (size_t i = 0; i < 4; ++i) {
            v |= static_cast<uint32_t>(static_cast<uint8_t>(i < s.size() ? s[i] : ' ')) << (8 * i);
        }
        return v;
    }

    bool open(const std::string& path); // read only
    void close();
    bool isOpen() const { return m_fd >= 0; }
    uint64_t fileSize() const { return m_fileSize; }

    // The RIFF (or RF64/BW64) chunk at the start of the file, when its form type matches.
    // Afterwards the reader stands at the first byte inside it.
    bool descendRiff(RiffChunk& chunk, uint32_t formType);
    // Whether the file is the big-endian variant (RIFX), which descendRiff does not take.
    bool bigEndian();
    // The first chunk with `id` inside `parent`, searched from the parent's first inner chunk.
    // Afterwards the reader stands at the first byte of the chunk's body.
    bool descend(RiffChunk& chunk, uint32_t id, const RiffChunk& parent);
    // The current 0-based byte offset.
    uint64_t offset() const { return m_pos; }
    // Reads up to `n` bytes of `chunk`'s body from its start; returns the bytes read.
    std::vector<uint8_t> readBody(const RiffChunk& chunk, size_t n);

private:
    bool readAt(uint64_t at, void* out, size_t n) const;
    void readDs64(const RiffChunk& riff);

    int m_fd = -1;
    uint64_t m_fileSize = 0;
    uint64_t m_pos = 0;
    bool m_rf64 = false;
    uint64_t m_ds64DataSize = 0;
    std::vector<std::pair<uint32_t, uint64_t>> m_ds64Table;
};
