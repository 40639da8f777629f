#include "wav/JoinStage.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <numbers>
#include <unistd.h>

namespace {

constexpr size_t ChunkFrames = 8192;

bool preadFull(int fd, uint8_t* p, size_t n, uint64_t at) {
    while (n > 0) {
        const ssize_t got = ::pread(fd, p, n, static_cast<off_t>(at));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return false;
        }
        p += got;
        n -= static_cast<size_t>(got);
        at += static_cast<uint64_t>(got);
    }
    return true;
}

bool pwriteFull(int fd, const uint8_t* p, size_t n, uint64_t at) {
    while (n > 0) {
        const ssize_t put = ::pwrite(fd, p, n, static_cast<off_t>(at));
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return false;
        }
        p += put;
        n -= static_cast<size_t>(put);
        at += static_cast<uint64_t>(put);
    }
    return true;
}

} // namespace

JoinStage::JoinStage(const WaveFormatEx& format, int fd, uint64_t dataStart, Append append,
                     Flush flush)
    : m_format(format), m_fd(fd), m_dataStart(dataStart), m_append(std::move(append)),
      m_flush(std::move(flush)), m_align(format.nBlockAlign), m_width(format.wBitsPerSample / 8u) {}

bool JoinStage::fail(std::string why) {
    m_error = std::move(why);
    return false;
}

bool JoinStage::begin(uint64_t crossfade, uint64_t writtenBytes) {
    m_inputFrames = 0;
    m_done = 0;
    m_crossfade = std::min<uint64_t>(crossfade, writtenBytes / m_align);
    if (m_crossfade == 0) {
        return true;
    }
    if (!m_flush()) {
        return false;
    }
    m_overlapAt = m_dataStart + writtenBytes - m_crossfade * m_align;
    m_buffer.resize(ChunkFrames * m_align);
    return true;
}

bool JoinStage::write(const uint8_t* bytes, size_t n) {
    while (m_done < m_crossfade && n >= m_align) {
        const size_t frames = std::min<uint64_t>({n / m_align, m_crossfade - m_done, ChunkFrames});
        if (!mix(bytes, frames)) {
            return false;
        }
        m_inputFrames += frames;
        bytes += frames * m_align;
        n -= frames * m_align;
    }
    if (n == 0) {
        return true;
    }
    m_inputFrames += n / m_align;
    return m_append(bytes, n);
}

bool JoinStage::end() {
    while (m_done < m_crossfade) {
        if (!mix(nullptr, std::min<uint64_t>(m_crossfade - m_done, ChunkFrames))) {
            return false;
        }
    }
    m_crossfade = m_done = 0;
    return true;
}

bool JoinStage::silence(uint64_t frames) {
    const uint8_t zero = m_format.wBitsPerSample == 8 ? 0x80 : 0;
    std::vector<uint8_t> quiet(std::min<uint64_t>(frames, ChunkFrames) * m_align, zero);
    while (frames > 0) {
        const uint64_t n = std::min<uint64_t>(frames, ChunkFrames);
        if (!m_append(quiet.data(), n * m_align)) {
            return false;
        }
        frames -= n;
    }
    return true;
}

double JoinStage::sample(const uint8_t* p) const {
    switch (m_width) {
    case 1:
        return (static_cast<int>(*p) - 128) / 128.0;
    case 2: {
        int16_t s;
        std::memcpy(&s, p, 2);
        return s / 32768.0;
    }
    default: {
        int32_t s;
        std::memcpy(&s, p, 4);
        return s / 2147483648.0;
    }
    }
}

void JoinStage::put(double v, uint8_t* p) const {
    switch (m_width) {
    case 1:
        *p = static_cast<uint8_t>(std::clamp(std::lround(v * 128.0), -128L, 127L) + 128);
        break;
    case 2: {
        const int16_t s =
            static_cast<int16_t>(std::clamp(std::lround(v * 32768.0), -32768L, 32767L));
        std::memcpy(p, &s, 2);
        break;
    }
    default: {
        const int32_t s = static_cast<int32_t>(
            std::clamp(std::llround(v * 2147483648.0), -2147483648LL, 2147483647LL));
        std::memcpy(p, &s, 4);
        break;
    }
    }
}

bool JoinStage::mix(const uint8_t* incoming, size_t frames) {
    const uint64_t at = m_overlapAt + m_done * m_align;
    const size_t bytes = frames * m_align;
    if (!preadFull(m_fd, m_buffer.data(), bytes, at)) {
        return fail(std::string("Cannot read back the joined file: ") + std::strerror(errno));
    }
    const unsigned channels = m_format.nChannels;
    const double quarter = std::numbers::pi / 2 / static_cast<double>(m_crossfade);
    for (size_t i = 0; i < frames; ++i) {
        // Equal power: the two gains' squares add up to one all the way through.
        const double angle = (static_cast<double>(m_done + i) + 0.5) * quarter;
        const double out = std::cos(angle), in = std::sin(angle);
        for (unsigned c = 0; c < channels; ++c) {
            uint8_t* p = m_buffer.data() + i * m_align + c * m_width;
            const double a = sample(p);
            const double b = incoming ? sample(incoming + i * m_align + c * m_width) : 0.0;
            put(a * out + b * in, p);
        }
    }
    if (!pwriteFull(m_fd, m_buffer.data(), bytes, at)) {
        return fail(std::string("Cannot write the joined file: ") + std::strerror(errno));
    }
    m_done += frames;
    return true;
}
