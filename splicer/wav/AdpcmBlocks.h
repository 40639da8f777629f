#pragma once
// The two ADPCM formats most WAV files that are compressed at all use, decoded here block by
// block, so that joining them does not load the decoder library (which costs more memory
// than the whole rest of a join): IMA ADPCM (format tag 0x11, 4 bits) and Microsoft ADPCM
// (tag 2, 4 bits). A block's header tells where each channel starts; a block whose header
// names no known predictor is damaged and gives no sound.

#include "wav/SourceFormat.h"

#include <cstdint>
#include <vector>

class AdpcmBlocks {
public:
    // Whether `format` is one of the two, with the 4 bits per sample they are made with.
    static bool takes(const SourceFormat& format);

    explicit AdpcmBlocks(const SourceFormat& format);
    // Frames one whole block gives: as many as its bytes hold, or fewer when the format
    // record says so (the rest of each block is padding).
    size_t framesPerBlock() const { return m_framesPerBlock; }
    // Room each plane needs for one block.
    size_t blockCapacity() const { return m_capacity; }
    // Decodes one block of the format's block align into planes[c][0..blockCapacity());
    // false for a damaged block.
    bool decode(const uint8_t* block, float* const* planes) const;

private:
    bool decodeIma(const uint8_t* block, float* const* planes) const;
    bool decodeMs(const uint8_t* block, float* const* planes) const;

    bool m_ima;
    unsigned m_channels;
    size_t m_blockAlign;
    size_t m_framesPerBlock = 0, m_capacity = 0;
    std::vector<int> m_coef1, m_coef2; // Microsoft ADPCM predictors, in 1/256
};
