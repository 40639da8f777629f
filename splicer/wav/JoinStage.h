#pragma once
// Where the inputs of a join meet in the output: a silence between two inputs, or an
// equal-power crossfade in which the first frames of an input are mixed into the last frames
// of the one before. The end of the sound already written is read back from the output file
// and written over, a piece at a time, so that nothing of any length is held in memory.
// Works on the output's PCM samples (8, 16 or 32 bits).

#include "wav/WaveFormatEx.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class JoinStage {
public:
    using Append = std::function<bool(const uint8_t* bytes, size_t n)>;
    using Flush = std::function<bool()>;

    // `fd` is the output file, open for reading and writing, its sound starting at
    // `dataStart`; `append` adds sound at its end and `flush` puts everything appended in it.
    JoinStage(const WaveFormatEx& format, int fd, uint64_t dataStart, Append append, Flush flush);

    // Starts the next input. Its first `crossfade` frames are mixed into the last `crossfade`
    // frames of the `writtenBytes` bytes of sound written so far.
    bool begin(uint64_t crossfade, uint64_t writtenBytes);
    // The input's sound, in whole frames.
    bool write(const uint8_t* bytes, size_t n);
    // Ends the input. An input that ended inside its crossfade leaves the rest of the sound
    // before it faded out.
    bool end();
    // `frames` frames of silence at the end.
    bool silence(uint64_t frames);

    // Frames the current (or last) input gave.
    uint64_t inputFrames() const { return m_inputFrames; }
    const std::string& error() const { return m_error; }

private:
    bool fail(std::string why);
    // Mixes `frames` frames of `incoming` (null: silence) into the sound written at frame
    // `m_done` of the crossfade.
    bool mix(const uint8_t* incoming, size_t frames);
    double sample(const uint8_t* p) const;
    void put(double v, uint8_t* p) const;

    WaveFormatEx m_format;
    int m_fd;
    uint64_t m_dataStart;
    Append m_append;
    Flush m_flush;
    size_t m_align;
    unsigned m_width;
    uint64_t m_crossfade = 0; // frames of the current crossfade
    uint64_t m_done = 0;      // of them already mixed
    uint64_t m_overlapAt = 0; // file offset of the crossfade's first frame
    uint64_t m_inputFrames = 0;
    std::vector<uint8_t> m_buffer;
    std::string m_error;
};
