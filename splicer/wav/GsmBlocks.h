#pragma once
// GSM 06.10 full-rate speech as WAV files hold it (format tag 0x31: blocks of 65 bytes, two
// frames of 160 samples packed together), decoded by the small GSM library loaded at run
// time, so that joining it does not load the general decoder library and its hundred others.
// Without the GSM library the general decoder takes it as before.

#include "wav/SourceFormat.h"

#include <cstdint>

class GsmBlocks {
public:
    // Whether `format` is mono GSM 06.10 in 65-byte blocks and the GSM library is there.
    static bool takes(const SourceFormat& format);

    GsmBlocks();
    GsmBlocks(const GsmBlocks&) = delete;
    GsmBlocks& operator=(const GsmBlocks&) = delete;
    ~GsmBlocks();

    static constexpr size_t BlockBytes = 65;
    static constexpr size_t FramesPerBlock = 320;
    // Decodes one block into plane[0..FramesPerBlock); false when the decoder refuses it.
    // The decoder carries its filters' state from block to block.
    bool decode(const uint8_t* block, float* plane);

private:
    void* m_state = nullptr;
};
