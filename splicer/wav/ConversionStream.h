#pragma once
// Converts the sound of one input from its WAV format to the output format, block by block.
// The WAVE format tag picks the decoder; sample format, channel layout and rate are changed
// by libswresample with its soxr engine at very high precision, with triangular dither
// (fixed seed, so the same input always gives the same bytes) when reducing to 16 bits or
// less. Mono goes to both output channels at full level; float above full scale is clipped.
// When the input already is in the output format the bytes are copied without decoding.

#include "wav/ConversionHeader.h"
#include "wav/WaveFormatEx.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class ConversionStream {
public:
    enum ConvertFlag : unsigned { BlockAlign = 0x4, End = 0x20 };

    ConversionStream();
    ConversionStream(const ConversionStream&) = delete;
    ConversionStream& operator=(const ConversionStream&) = delete;
    ~ConversionStream();

    // Probe only answers whether the pair converts (and the sizes) without designing the
    // very-high-precision filter, which takes tens of milliseconds per stream.
    enum class Purpose { Convert, Probe };

    // False, with a reason in error(), when this pair of formats cannot be converted.
    bool open(const WaveFormatEx& source, const std::vector<uint8_t>& sourceExtra,
              const WaveFormatEx& destination, Purpose purpose = Purpose::Convert);
    // The destination bytes needed for converting `sourceBytes` (also enough for the flush
    // that the end flag adds).
    bool size(uint64_t sourceBytes, uint64_t& destinationBytes) const;
    bool prepare(ConversionHeader& header);
    // Converts the header's first SourceLength bytes (whole frames only; a partial last frame
    // is dropped). With End the converter is flushed. False on a decoding failure or when the
    // result would not fit the destination buffer.
    bool convert(ConversionHeader& header, unsigned flags);
    void reset();
    void unprepare(ConversionHeader& header);
    void close();

    bool isOpen() const;
    bool copiesBytes() const;
    // Ten seconds of source sound in bytes, a whole number of blocks.
    uint64_t tenSecondBlock() const;
    // An upper bound of the output bytes for `sourceBytes` of input.
    uint64_t outputBytesFor(uint64_t sourceBytes) const;
    const std::string& error() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
