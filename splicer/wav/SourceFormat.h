#pragma once
// What the format record of an input says about the sound that follows it, worked out once:
// the sub-format behind an extensible record, whether the bytes are the samples themselves
// (and how each is stored) or need a decoder, and how much sound a number of bytes holds.

#include "wav/WaveFormatEx.h"

#include <cstdint>
#include <string>
#include <vector>

struct SourceFormat {
    // How one stored sample of a plain format is read.
    enum class Sample { None, U8, S16, S24, S32, S40, S48, S56, S64, F32, F64, ALaw, MuLaw };

    WaveFormatEx record;
    std::vector<uint8_t> extra;
    uint16_t tag = 0;         // the sub-format's tag for extensible records
    uint64_t channelMask = 0; // 0 when the record names none
    Sample sample = Sample::None;
    unsigned container = 0; // bytes per stored sample of a plain format

    // False, with the reason in `why`, for records that describe no sound that could be read.
    static bool resolve(const WaveFormatEx& record, const std::vector<uint8_t>& extra,
                        SourceFormat& out, std::string& why);

    bool plain() const { return sample != Sample::None; }
    // Stored exactly as `destination` stores its sound, so the bytes can be copied.
    bool sameBytesAs(const WaveFormatEx& destination) const;
    // Ten seconds of sound in bytes, a whole number of frames (of blocks when compressed).
    uint64_t tenSecondBlock() const;
    // Sample frames held by `bytes` of sound: exact for plain formats and for the block
    // codecs whose blocks hold a known number of frames, otherwise from the data rate.
    uint64_t framesIn(uint64_t bytes) const;
};
