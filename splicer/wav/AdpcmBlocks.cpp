#include "wav/AdpcmBlocks.h"

#include "wav/LittleEndian.h"

#include <algorithm>

namespace {

constexpr uint16_t TagMsAdpcm = 2;
constexpr uint16_t TagImaAdpcm = 0x11;

constexpr int ImaSteps[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,   21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,   73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,  253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,  876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749, 3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493, 10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
constexpr int ImaIndexStep[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

constexpr int MsAdaptation[16] = {230, 230, 230, 230, 307, 409, 512, 614,
                                  768, 614, 512, 409, 307, 230, 230, 230};
constexpr int MsCoef1[7] = {256, 512, 0, 192, 240, 460, 392};
constexpr int MsCoef2[7] = {0, -256, 0, 64, 0, -208, -232};
// Beyond this a step times a nibble would leave the range of int.
constexpr int MsMaxDelta = 0x7FFFFFFF / 768;

int16_t s16(const uint8_t* p) {
    return static_cast<int16_t>(LittleEndian::read16(p));
}

float toFloat(int v) {
    return static_cast<float>(v) * (1.0f / 32768);
}

int clamp16(int64_t v) {
    return static_cast<int>(std::clamp<int64_t>(v, -32768, 32767));
}

} // namespace

bool AdpcmBlocks::takes(const SourceFormat& f) {
    const unsigned ch = f.record.nChannels;
    const size_t align = f.record.nBlockAlign;
    if (f.record.wBitsPerSample != 4 || ch == 0) {
        return false;
    }
    if (f.tag == TagImaAdpcm) {
        // A header of 4 bytes per channel, then groups of 4 bytes per channel.
        return align > 4 * ch && (align - 4 * ch) % (4 * ch) == 0;
    }
    // A header of 7 bytes per channel, then whole bytes of one nibble per channel.
    return f.tag == TagMsAdpcm && align >= 7 * ch && ((align - 7 * ch) * 2) % ch == 0;
}

AdpcmBlocks::AdpcmBlocks(const SourceFormat& f)
    : m_ima(f.tag == TagImaAdpcm), m_channels(f.record.nChannels),
      m_blockAlign(f.record.nBlockAlign) {
    const std::vector<uint8_t>& x = f.extra;
    const size_t header = m_ima ? 1 : 2; // frames a block's header gives
    m_capacity = (m_blockAlign - (m_ima ? 4 : 7) * m_channels) * 2 / m_channels + header;
    const size_t said = x.size() >= 2 ? LittleEndian::read16(x.data()) : 0;
    m_framesPerBlock = said >= header && said <= m_capacity ? said : m_capacity;
    if (m_ima) {
        return;
    }
    // The record may carry its own predictors after the frames per block and their count.
    const size_t count = x.size() >= 4 ? LittleEndian::read16(x.data() + 2) : 0;
    if (count > 0 && x.size() >= 4 + 4 * count) {
        for (size_t i = 0; i < count; ++i) {
            m_coef1.push_back(s16(x.data() + 4 + 4 * i));
            m_coef2.push_back(s16(x.data() + 6 + 4 * i));
        }
    } else {
        m_coef1.assign(std::begin(MsCoef1), std::end(MsCoef1));
        m_coef2.assign(std::begin(MsCoef2), std::end(MsCoef2));
    }
}

bool AdpcmBlocks::decode(const uint8_t* block, float* const* planes) const {
    return m_ima ? decodeIma(block, planes) : decodeMs(block, planes);
}

bool AdpcmBlocks::decodeIma(const uint8_t* block, float* const* planes) const {
    for (unsigned c = 0; c < m_channels; ++c) {
        const uint8_t* header = block + 4 * c;
        int sample = s16(header);
        int index = std::min<int>(header[2], 88);
        float* out = planes[c];
        out[0] = toFloat(sample);
        size_t at = 1;
        // Each channel's groups of 4 bytes (8 samples, low nibble first) take turns.
        for (const uint8_t* group = block + 4 * m_channels + 4 * c;
             group + 4 <= block + m_blockAlign; group += 4 * m_channels) {
            for (int b = 0; b < 8; ++b) {
                const int nibble = group[b / 2] >> (4 * (b % 2)) & 0xF;
                const int step = ImaSteps[index];
                int diff = step >> 3;
                if (nibble & 1) {
                    diff += step >> 2;
                }
                if (nibble & 2) {
                    diff += step >> 1;
                }
                if (nibble & 4) {
                    diff += step;
                }
                sample = clamp16(int64_t{sample} + ((nibble & 8) ? -diff : diff));
                index = std::clamp(index + ImaIndexStep[nibble], 0, 88);
                out[at++] = toFloat(sample);
            }
        }
    }
    return true;
}

bool AdpcmBlocks::decodeMs(const uint8_t* block, float* const* planes) const {
    const unsigned ch = m_channels;
    std::vector<int> coef1(ch), coef2(ch), delta(ch), s1(ch), s2(ch);
    for (unsigned c = 0; c < ch; ++c) {
        const unsigned predictor = block[c];
        if (predictor >= m_coef1.size()) {
            return false;
        }
        coef1[c] = m_coef1[predictor];
        coef2[c] = m_coef2[predictor];
        delta[c] = s16(block + ch + 2 * c);
        s1[c] = s16(block + 3 * ch + 2 * c);
        s2[c] = s16(block + 5 * ch + 2 * c);
        // The older sample comes first.
        planes[c][0] = toFloat(s2[c]);
        planes[c][1] = toFloat(s1[c]);
    }
    // Nibbles, high one first, go to the channels in turn.
    const size_t nibbles = (m_capacity - 2) * ch;
    const uint8_t* data = block + 7 * ch;
    for (size_t n = 0; n < nibbles; ++n) {
        const unsigned c = static_cast<unsigned>(n % ch);
        const int nibble = (n % 2 == 0) ? data[n / 2] >> 4 : data[n / 2] & 0xF;
        const int64_t predicted = (int64_t{s1[c]} * coef1[c] + int64_t{s2[c]} * coef2[c]) >> 8;
        const int sample =
            clamp16(predicted + int64_t{nibble >= 8 ? nibble - 16 : nibble} * delta[c]);
        delta[c] = std::clamp((MsAdaptation[nibble] * delta[c]) >> 8, 16, MsMaxDelta);
        s2[c] = s1[c];
        s1[c] = sample;
        planes[c][2 + n / ch] = toFloat(sample);
    }
    return true;
}
