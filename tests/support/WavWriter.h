#pragma once
// Test media made at test time: WAV files written sample by sample, and raw RIFF
// files assembled chunk by chunk for the malformed cases.

#include <cstdint>
#include <string>
#include <vector>

namespace testmedia {

struct WavFormat {
    uint16_t formatTag = 1; // 1 PCM, 3 IEEE float, 6 A-law, 7 mu-law, 0xFFFE extensible
    uint16_t channels = 2;
    uint32_t sampleRate = 44100;
    uint16_t bitsPerSample = 16;
    uint16_t blockAlign() const {
        return static_cast<uint16_t>(channels * ((bitsPerSample + 7) / 8));
    }
    uint32_t byteRate() const { return sampleRate * blockAlign(); }
};

// The 16-byte fmt body (18 with cbSize when extra is given).
std::vector<uint8_t> fmtBody(const WavFormat& f, const std::vector<uint8_t>& extra = {});

struct Chunk {
    std::string id; // four characters
    std::vector<uint8_t> body;
    int64_t declaredSize = -1; // -1: the body's real size
};

// RIFF <size> <form> then the chunks, each padded to an even length as RIFF requires.
std::vector<uint8_t> riffFile(const std::vector<Chunk>& chunks, const std::string& form = "WAVE");

// Interleaved sample frames as the format stores them; `frame(i, ch)` gives a value in [-1, 1].
template <typename F> std::vector<uint8_t> pcmData(const WavFormat& f, uint64_t frames, F frame);

// A canonical 44-byte-header file: RIFF, fmt (16 bytes), data.
std::vector<uint8_t> canonicalWav(const WavFormat& f, const std::vector<uint8_t>& data);

// A sine tone of `seconds` at `hz`, peak `level` (linear), same on every channel.
std::vector<uint8_t> sineData(const WavFormat& f, double seconds, double hz, double level = 0.5);

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes);

// Convenience: a canonical PCM sine file.
bool writeSineWav(const std::string& path, double seconds, const WavFormat& f = {},
                  double hz = 440.0, double level = 0.5);

// The 22 extra bytes of a WAVE_FORMAT_EXTENSIBLE fmt chunk naming sub-format `subTag`.
std::vector<uint8_t> extensibleExtra(uint16_t validBits, uint32_t channelMask, uint16_t subTag);

std::vector<uint8_t> readFile(const std::string& path);

// One channel of interleaved 16-bit PCM as values in [-1, 1).
std::vector<double> channelOf16(const std::vector<uint8_t>& pcm, int channels, int channel);

// Level in dB relative to full scale of the component at `hz` (Hann-windowed single-bin
// DFT, so a full-scale sine reads 0 dB), for judging conversions.
double toneLevelDb(const std::vector<double>& samples, double sampleRate, double hz);

} // namespace testmedia

#include "WavWriter.inl"
