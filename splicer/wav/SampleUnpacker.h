#pragma once
// The samples of a plain format, as the file stores them, to one plane of 32-bit float per
// channel at full scale +-1. Integer samples of up to 24 bits come through exactly.

#include "wav/SourceFormat.h"

#include <cstddef>
#include <cstdint>

class SampleUnpacker {
public:
    explicit SampleUnpacker(const SourceFormat& format);
    // Unpacks `frames` whole frames from `in`; planes[c][i] is sample i of channel c.
    void unpack(const uint8_t* in, size_t frames, float* const* planes) const;
    // The same for channel `channel` alone.
    void unpackChannel(const uint8_t* in, size_t frames, unsigned channel, float* plane) const;

private:
    SourceFormat::Sample m_sample;
    unsigned m_channels, m_container, m_stride;
};
