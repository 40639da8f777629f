#pragma once
// The 18-byte audio format record of a WAV "fmt " chunk, field for field.

#include <cstdint>

struct WaveFormatEx {
    uint16_t wFormatTag = 0, nChannels = 0;
    uint32_t nSamplesPerSec = 0, nAvgBytesPerSec = 0;
    uint16_t nBlockAlign = 0, wBitsPerSample = 0, cbSize = 0;

    static constexpr int SerialisedSize = 18;

    bool operator==(const WaveFormatEx&) const = default;
};
