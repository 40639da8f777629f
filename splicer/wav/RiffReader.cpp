#include "wav/RiffReader.h"

#include "wav/LittleEndian.h"

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uint32_t Unknown32 = 0xFFFFFFFF;

} // namespace

RiffReader::~RiffReader() {
    close();
}

bool RiffReader::open(const std::string& path) {
    close();
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (m_fd < 0) {
        return false;
    }
    struct stat st {};
    if (fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close();
        return false;
    }
    m_fileSize = static_cast<uint64_t>(st.st_size);
    m_pos = 0;
    return true;
}

void RiffReader::close() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
    m_fd = -1;
    m_fileSize = m_pos = 0;
    m_rf64 = false;
    m_ds64DataSize = 0;
    m_ds64Table.clear();
}

bool RiffReader::readAt(uint64_t at, void* out, size_t n) const {
    if (m_fd < 0 || at > m_fileSize || n > m_fileSize - at) {
        return false;
    }
    auto* p = static_cast<uint8_t*>(out);
    while (n > 0) {
        const ssize_t got = pread(m_fd, p, n, static_cast<off_t>(at));
        if (got <= 0) {
            return false;
        }
        p += got;
        at += static_cast<uint64_t>(got);
        n -= static_cast<size_t>(got);
    }
    return true;
}

bool RiffReader::descendRiff(RiffChunk& chunk, uint32_t formType) {
    uint8_t h[12];
    if (!readAt(0, h, sizeof h)) {
        return false;
    }
    const uint32_t id = LittleEndian::read32(h);
    m_rf64 = id == fourCC("RF64") || id == fourCC("BW64");
    if (id != fourCC("RIFF") && !m_rf64) {
        return false;
    }
    if (LittleEndian::read32(h + 8) != formType) {
        return false;
    }
    chunk.id = id;
    chunk.formType = formType;
    chunk.dataOffset = 12;
    chunk.size = LittleEndian::read32(h + 4);
    if (m_rf64) {
        readDs64(chunk);
    }
    // Writers of unfinished or streamed files leave the size at 0 or too large: the file's
    // end is the better bound then.
    const uint64_t declaredEnd = 8 + chunk.size;
    if (chunk.size < 4 || declaredEnd > m_fileSize) {
        chunk.size = m_fileSize - 8;
    }
    m_pos = 12;
    return true;
}

bool RiffReader::bigEndian() {
    uint8_t h[4];
    return readAt(0, h, sizeof h) && LittleEndian::read32(h) == fourCC("RIFX");
}

void RiffReader::readDs64(const RiffChunk& riff) {
    uint8_t h[8 + 28];
    if (!readAt(riff.dataOffset, h, sizeof h) || LittleEndian::read32(h) != fourCC("ds64")) {
        return;
    }
    m_ds64DataSize = LittleEndian::read64(h + 8 + 8);
    const uint32_t bodySize = LittleEndian::read32(h + 4);
    const uint32_t tableLength = LittleEndian::read32(h + 8 + 24);
    uint64_t at = riff.dataOffset + 8 + 28;
    for (uint32_t i = 0; i < tableLength && at + 12 <= riff.dataOffset + 8 + bodySize;
         ++i, at += 12) {
        uint8_t e[12];
        if (!readAt(at, e, sizeof e)) {
            break;
        }
        m_ds64Table.emplace_back(LittleEndian::read32(e), LittleEndian::read64(e + 4));
    }
}

bool RiffReader::descend(RiffChunk& chunk, uint32_t id, const RiffChunk& parent) {
    const uint64_t end = std::min(m_fileSize, parent.dataOffset - 4 + parent.size);
    uint64_t at = parent.dataOffset;
    while (at + 8 <= end) {
        uint8_t h[8];
        if (!readAt(at, h, sizeof h)) {
            return false;
        }
        const uint32_t cid = LittleEndian::read32(h);
        uint64_t size = LittleEndian::read32(h + 4);
        if (m_rf64 && size == Unknown32) {
            if (cid == fourCC("data")) {
                size = m_ds64DataSize;
            }
            for (const auto& [tid, tsize] : m_ds64Table) {
                if (tid == cid) {
                    size = tsize;
                }
            }
        }
        if (cid == id) {
            chunk.id = cid;
            chunk.size = size;
            chunk.formType = 0;
            chunk.dataOffset = at + 8;
            m_pos = at + 8;
            return true;
        }
        if (size > end) { // a size that cannot be walked past: the rest is not chunks
            return false;
        }
        at += 8 + size + (size & 1);
    }
    return false;
}

std::vector<uint8_t> RiffReader::readBody(const RiffChunk& chunk, size_t n) {
    const uint64_t available = chunk.dataOffset <= m_fileSize ? m_fileSize - chunk.dataOffset : 0;
    n = static_cast<size_t>(std::min<uint64_t>({n, chunk.size, available}));
    std::vector<uint8_t> body(n);
    if (!readAt(chunk.dataOffset, body.data(), n)) {
        body.clear();
    }
    m_pos = chunk.dataOffset + body.size();
    return body;
}
