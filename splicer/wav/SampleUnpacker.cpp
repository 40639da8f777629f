#include "wav/SampleUnpacker.h"

#include <cstring>

namespace {

// G.711 expansion to 16-bit linear samples.
int16_t expandALaw(uint8_t a) {
    a ^= 0x55;
    int t = (a & 0x0F) << 4;
    const int segment = (a & 0x70) >> 4;
    t = segment ? (t + 0x108) << (segment - 1) : t + 8;
    return static_cast<int16_t>((a & 0x80) ? t : -t);
}
int16_t expandMuLaw(uint8_t u) {
    u = static_cast<uint8_t>(~u);
    int t = ((u & 0x0F) << 3) + 0x84;
    t <<= (u & 0x70) >> 4;
    return static_cast<int16_t>((u & 0x80) ? 0x84 - t : t - 0x84);
}

template <typename T> T load(const uint8_t* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <typename Read>
void each(const uint8_t* in, size_t frames, unsigned channel, unsigned container, unsigned stride,
          float* out, Read read) {
    const uint8_t* p = in + channel * container;
    for (size_t i = 0; i < frames; ++i, p += stride) {
        out[i] = read(p);
    }
}

} // namespace

SampleUnpacker::SampleUnpacker(const SourceFormat& f)
    : m_sample(f.sample), m_channels(f.record.nChannels), m_container(f.container),
      m_stride(f.record.nBlockAlign) {}

void SampleUnpacker::unpack(const uint8_t* in, size_t frames, float* const* planes) const {
    for (unsigned c = 0; c < m_channels; ++c) {
        unpackChannel(in, frames, c, planes[c]);
    }
}

void SampleUnpacker::unpackChannel(const uint8_t* in, size_t frames, unsigned channel,
                                   float* plane) const {
    using S = SourceFormat::Sample;
    const auto run = [&](auto read) {
        each(in, frames, channel, m_container, m_stride, plane, read);
    };
    switch (m_sample) {
    case S::U8:
        run([](const uint8_t* p) { return (static_cast<int>(*p) - 128) * (1.0f / 128); });
        break;
    case S::S16:
        run([](const uint8_t* p) { return load<int16_t>(p) * (1.0f / 32768); });
        break;
    case S::S24: {
        const auto three = [](const uint8_t* p) {
            const int32_t v = static_cast<int32_t>(uint32_t{p[0]} << 8 | uint32_t{p[1]} << 16 |
                                                   uint32_t{p[2]} << 24) >>
                              8;
            return static_cast<float>(v) * (1.0f / 8388608);
        };
        if (frames == 0) {
            break;
        }
        // Every sample but the very first has a byte before it in the piece: the sample is
        // read with that byte as the low one of four, which the shift then drops.
        const uint8_t* p = in + channel * m_container;
        size_t i = 0;
        if (channel == 0) {
            plane[0] = three(p);
            p += m_stride;
            i = 1;
        }
        for (; i < frames; ++i, p += m_stride) {
            plane[i] = static_cast<float>(load<int32_t>(p - 1) >> 8) * (1.0f / 8388608);
        }
        break;
    }
    case S::S32:
        run([](const uint8_t* p) {
            return static_cast<float>(load<int32_t>(p) * (1.0 / 2147483648.0));
        });
        break;
    case S::S40:
    case S::S48:
    case S::S56: {
        // The container's bytes become the top bytes of a 64-bit sample.
        const unsigned width = m_sample == S::S40 ? 5 : m_sample == S::S48 ? 6 : 7;
        run([width](const uint8_t* p) {
            uint64_t v = 0;
            for (unsigned b = 0; b < width; ++b) {
                v |= uint64_t{p[b]} << (64 - 8 * (width - b));
            }
            return static_cast<float>(static_cast<double>(static_cast<int64_t>(v)) * 0x1p-63);
        });
        break;
    }
    case S::S64:
        run([](const uint8_t* p) {
            return static_cast<float>(static_cast<double>(load<int64_t>(p)) * 0x1p-63);
        });
        break;
    case S::F32:
        run([](const uint8_t* p) { return load<float>(p); });
        break;
    case S::F64:
        run([](const uint8_t* p) { return static_cast<float>(load<double>(p)); });
        break;
    case S::ALaw:
        run([](const uint8_t* p) { return expandALaw(*p) * (1.0f / 32768); });
        break;
    case S::MuLaw:
        run([](const uint8_t* p) { return expandMuLaw(*p) * (1.0f / 32768); });
        break;
    case S::None:
        break;
    }
}
