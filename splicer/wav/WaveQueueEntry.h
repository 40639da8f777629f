#pragma once
// One admitted input of the joiner's queue.

#include "wav/WaveFormatEx.h"

#include <cstdint>
#include <string>
#include <vector>

struct WaveQueueEntry {
    std::string FileName;  // the path exactly as it was added
    int64_t DataStart = 0; // 1-based file position of the first byte of the sound
    int64_t DataSize = 0;  // bytes of sound actually present in the file
    // Bytes the data chunk declares beyond the end of the file (a recording cut short).
    int64_t DataMissing = 0;
    int64_t FileSize = 0; // length of the file when it was added, to notice a change later
    WaveFormatEx Format;
    // Bytes after the 18-byte record (extensible sub-format, ADPCM coefficients...).
    std::vector<uint8_t> FormatExtra;
};
