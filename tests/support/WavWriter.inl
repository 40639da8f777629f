#pragma once
#include <algorithm>
#include <cmath>
#include <cstring>

namespace testmedia {

inline void putLE(std::vector<uint8_t>& out, uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<uint8_t>((v >> (8 * i)) & 0xFF));
    }
}

inline uint8_t muLawEncode(int16_t pcm) {
    const int bias = 0x84;
    int sign = (pcm >> 8) & 0x80;
    int v = sign ? -static_cast<int>(pcm) : pcm;
    v = std::min(v + bias, 32767);
    int exponent = 7;
    for (int mask = 0x4000; (v & mask) == 0 && exponent > 0; mask >>= 1) {
        --exponent;
    }
    int mantissa = (v >> (exponent + 3)) & 0x0F;
    return static_cast<uint8_t>(~(sign | (exponent << 4) | mantissa));
}

template <typename F> std::vector<uint8_t> pcmData(const WavFormat& f, uint64_t frames, F frame) {
    std::vector<uint8_t> out;
    out.reserve(static_cast<size_t>(frames * f.blockAlign()));
    for (uint64_t i = 0; i < frames; ++i) {
        for (int ch = 0; ch < f.channels; ++ch) {
            double v = std::clamp(static_cast<double>(frame(i, ch)), -1.0, 1.0);
            if (f.formatTag == 3) {
                if (f.bitsPerSample == 64) {
                    double d = v;
                    uint64_t bits;
                    std::memcpy(&bits, &d, 8);
                    putLE(out, bits, 8);
                } else {
                    float fl = static_cast<float>(v);
                    uint32_t bits;
                    std::memcpy(&bits, &fl, 4);
                    putLE(out, bits, 4);
                }
            } else if (f.formatTag == 7) {
                out.push_back(muLawEncode(static_cast<int16_t>(std::lround(v * 32767.0))));
            } else if (f.bitsPerSample == 8) {
                out.push_back(static_cast<uint8_t>(std::lround(v * 127.0) + 128));
            } else {
                const int bytes = f.bitsPerSample / 8;
                const double full = std::ldexp(1.0, f.bitsPerSample - 1) - 1.0;
                int64_t s = std::llround(v * full);
                putLE(out, static_cast<uint64_t>(s), bytes);
            }
        }
    }
    return out;
}

} // namespace testmedia
