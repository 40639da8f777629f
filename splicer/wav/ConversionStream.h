#pragma once
// Converts the sound of one input from its WAV format to the output format, piece by piece:
// its samples are unpacked (SampleUnpacker) or decoded (PacketDecoder) to float, mixed to the
// output's channels, each channel resampled on its own (Resampler; the channels of a piece
// are resampled side by side on worker threads), and quantised with triangular dither (fixed
// seeds, so the same input always gives the same bytes) when the result has fewer bits than
// the sound carries. Mono goes to every output channel at full level, more channels are
// mixed down by their speaker places (ChannelMix); float above full scale is clipped. An
// input of N frames at rate r becomes exactly round(N x output rate / r) frames. When the
// input already is in the output format its bytes are copied unchanged.

#include "wav/WaveFormatEx.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class ConversionStream {
public:
    // Receives converted sound as it is produced; false stops the conversion.
    using Sink = std::function<bool(const uint8_t* bytes, size_t n)>;

    ConversionStream();
    ConversionStream(const ConversionStream&) = delete;
    ConversionStream& operator=(const ConversionStream&) = delete;
    ~ConversionStream();

    // Probe only answers whether the pair converts (and the sizes) without designing the
    // filters for this stream. Measure converts to float and hands it to the listener only:
    // nothing is quantised and the sink receives no sound. MeasureAtSourceRate does the same
    // but leaves the sound at the input's own rate (mixed to the output's channels, not
    // resampled), which costs a small part of a conversion.
    enum class Purpose { Convert, Probe, Measure, MeasureAtSourceRate };

    // The converted float signal, one pointer per output channel, before quantisation.
    using Listener =
        std::function<void(const float* const* channels, unsigned count, size_t frames)>;
    // What happens to the float signal between conversion and quantisation: a linear gain,
    // then the listener sees it. Either one turns the byte copy of an input already in the
    // output format into a conversion.
    struct Shaping {
        float gain = 1.0f;
        Listener listener;
        bool active() const { return gain != 1.0f || listener; }
    };

    // False, with a reason in error(), when this pair of formats cannot be converted.
    bool open(const WaveFormatEx& source, const std::vector<uint8_t>& sourceExtra,
              const WaveFormatEx& destination, Purpose purpose = Purpose::Convert);
    bool open(const WaveFormatEx& source, const std::vector<uint8_t>& sourceExtra,
              const WaveFormatEx& destination, Purpose purpose, Shaping shaping);
    // Input bytes to hand over at once: whole frames (or codec blocks), small enough to keep
    // the memory of a run small and flat.
    size_t pieceBytes() const;
    // Converts the next `n` bytes of the input. Plain formats take whole frames only: a
    // partial frame at the end of `data` is dropped.
    bool convert(const uint8_t* data, size_t n, const Sink& sink);
    // The end of the input: flushes the converter and brings the output to its exact length.
    bool finish(const Sink& sink);

    bool copiesBytes() const;
    // Ten seconds of source sound in bytes, a whole number of frames (or codec blocks).
    uint64_t tenSecondBlock() const;
    // The output bytes for `sourceBytes` of input: exact for plain formats, an estimate from
    // the codec's block size or data rate for compressed ones.
    uint64_t outputBytesFor(uint64_t sourceBytes) const;
    const std::string& error() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
