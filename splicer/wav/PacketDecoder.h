#pragma once
// The decoder of a compressed WAVE format (ADPCM, GSM, MP3 in WAV...): IMA and Microsoft
// ADPCM are decoded here (AdpcmBlocks), GSM 06.10 by the GSM library alone (GsmBlocks), the
// others by the decoder library, which is loaded on the first use. Bytes go in as the file holds
// them; sound comes out as planar float, a piece at a time. Damaged blocks are skipped.

#include "wav/SourceFormat.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class PacketDecoder {
public:
    // planes[c][0..frames) for each channel; false stops the decoding.
    using Sink = std::function<bool(const float* const* planes, size_t frames)>;

    PacketDecoder();
    PacketDecoder(const PacketDecoder&) = delete;
    PacketDecoder& operator=(const PacketDecoder&) = delete;
    ~PacketDecoder();

    // False, with the reason in error(), when no decoder takes this format.
    bool open(const SourceFormat& format);
    // Bytes to hand over at once: whole blocks, about 64 KiB.
    size_t pieceBytes() const;
    bool decode(const uint8_t* data, size_t n, const Sink& sink);
    // Decodes what the decoder still holds.
    bool finish(const Sink& sink);
    const std::string& error() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
