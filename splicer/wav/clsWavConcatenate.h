#pragma once
// Joins WAV files: an ordered queue of admitted inputs, each converted on the way to one
// common output format, written back to back into one new file with a 44-byte PCM header.
// Optionally (JoinOptions) each input is first measured and brought to one loudness, and the
// inputs are separated by a silence or crossfaded into each other (JoinStage).
// Plain C++: the owner receives the events through the callbacks it sets.

#include "wav/ConversionStream.h"
#include "wav/JoinOptions.h"
#include "wav/WaveFormatEx.h"
#include "wav/WaveQueueEntry.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class clsWavConcatenate {
public:
    clsWavConcatenate();

    WaveFormatEx& OutputFormat();
    void setOutputFormat(const WaveFormatEx& format);

    // Ignored while a join is running.
    void ResetQueue();
    // Admits one input when it is a WAVE file with a format chunk, a data chunk and a format
    // that can be converted to the output format (set that first). Refused while a join runs.
    bool WaveAdd(const std::string& FileName);
    // Writes the joined file (see AtomicOutput): it takes the output's name only when every
    // input was converted, and a run that fails or is cancelled leaves nothing behind. The
    // output format is read once, when the run starts. Refused while a join is running.
    // With matched loudness every input is measured in a first pass (progress runs through
    // both passes, and cancel works in either).
    bool WaveConcatenate(const std::string& OutputFile, bool WriteHeader);
    // The measuring pass alone: fills loudness() and writes nothing.
    bool WaveMeasure();
    // Refused (false, with the reason in lastError()) when they cannot be used or a join runs.
    bool setJoinOptions(const JoinOptions& options);
    const JoinOptions& joinOptions() const { return m_options; }
    // Per admitted input, what the last run measured and did.
    const std::vector<InputLoudness>& loudness() const { return m_loudness; }
    // Writes the joined sound to an open descriptor that may not seek back (a pipe): the
    // header, with the size worked out from the admitted inputs, goes first, and exactly that
    // much sound follows (a compressed input that decodes to a few frames more or less is cut
    // or padded with silence at the end). What was written stays written when the run fails.
    // Matched loudness and gaps work as for a file; a crossfade is refused.
    bool WaveConcatenateTo(int fd, bool WriteHeader);
    // Bytes the last WaveConcatenateTo put out, the header included.
    uint64_t bytesSent() const { return m_bytesSent; }
    std::string lastError() const;
    // What to tell of an admitted input whose sound ends before its data chunk says it does
    // (it is joined as far as it goes); empty for a whole one.
    static std::string shortfall(const WaveQueueEntry& entry);

    std::function<void(std::string& FileName)> FileChanged;
    std::function<void(int16_t& Percent)> Progress;
    std::function<void()> ProcessEvents;
    std::function<bool()> CancelRequested;

    size_t queueCount() const;
    // Every slot of the queue, the spare one at the end included.
    const std::vector<WaveQueueEntry>& queueSlots() const { return m_queue; }

private:
    struct Run;
    class MeasuringLine;
    bool FileExists(const std::string& path) const;
    bool fail(std::string reason);
    void reportProgress(Run& run);
    bool begin(Run& run);
    bool expectedBytes(const Run& run, bool WriteHeader, uint64_t& expected);
    bool joinQueue(Run& run, uint64_t headerBytes);
    bool measureQueue(Run& run);
    bool measureEntry(const WaveQueueEntry& entry, InputLoudness& result, Run& run);
    bool convertEntry(const WaveQueueEntry& entry, Run& run, ConversionStream::Purpose purpose,
                      const ConversionStream::Shaping& shaping, const ConversionStream::Sink& sink);
    bool WriteWaveHeader(int fd, uint32_t dataSize, uint32_t samplesPerSec, uint32_t avgBytesPerSec,
                         uint16_t channels, uint16_t bitsPerSample, uint16_t blockAlign);

    WaveFormatEx m_outputFormat;
    std::vector<WaveQueueEntry> m_queue;
    std::string m_lastError;
    JoinOptions m_options;
    std::vector<InputLoudness> m_loudness;
    bool m_running = false;
    uint64_t m_bytesSent = 0;
};
