#include "WavWriter.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <numbers>

namespace testmedia {

std::vector<uint8_t> fmtBody(const WavFormat& f, const std::vector<uint8_t>& extra) {
    std::vector<uint8_t> b;
    putLE(b, f.formatTag, 2);
    putLE(b, f.channels, 2);
    putLE(b, f.sampleRate, 4);
    putLE(b, f.byteRate(), 4);
    putLE(b, f.blockAlign(), 2);
    putLE(b, f.bitsPerSample, 2);
    if (!extra.empty() || f.formatTag == 0xFFFE) {
        putLE(b, extra.size(), 2);
        b.insert(b.end(), extra.begin(), extra.end());
    }
    return b;
}

std::vector<uint8_t> riffFile(const std::vector<Chunk>& chunks, const std::string& form) {
    std::vector<uint8_t> body(form.begin(), form.end());
    for (const Chunk& c : chunks) {
        body.insert(body.end(), c.id.begin(), c.id.end());
        const uint64_t size =
            c.declaredSize >= 0 ? static_cast<uint64_t>(c.declaredSize) : c.body.size();
        putLE(body, size, 4);
        body.insert(body.end(), c.body.begin(), c.body.end());
        if (c.body.size() % 2 == 1) {
            body.push_back(0);
        }
    }
    std::vector<uint8_t> out{'R', 'I', 'F', 'F'};
    putLE(out, body.size(), 4);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

std::vector<uint8_t> canonicalWav(const WavFormat& f, const std::vector<uint8_t>& data) {
    return riffFile({{"fmt ", fmtBody(f)}, {"data", data}});
}

std::vector<uint8_t> sineData(const WavFormat& f, double seconds, double hz, double level) {
    const auto frames = static_cast<uint64_t>(std::llround(seconds * f.sampleRate));
    return pcmData(f, frames, [&](uint64_t i, int) {
        return level *
               std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(i) / f.sampleRate);
    });
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::vector<uint8_t> extensibleExtra(uint16_t validBits, uint32_t channelMask, uint16_t subTag) {
    std::vector<uint8_t> e;
    putLE(e, validBits, 2);
    putLE(e, channelMask, 4);
    putLE(e, subTag, 4);
    for (uint8_t b : {0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}) {
        e.push_back(b);
    }
    return e;
}

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<double> channelOf16(const std::vector<uint8_t>& pcm, int channels, int channel) {
    std::vector<double> out;
    const size_t frame = 2 * static_cast<size_t>(channels);
    out.reserve(pcm.size() / frame);
    for (size_t i = 2 * static_cast<size_t>(channel); i + 1 < pcm.size(); i += frame) {
        out.push_back(static_cast<int16_t>(pcm[i] | pcm[i + 1] << 8) / 32768.0);
    }
    return out;
}

double toneLevelDb(const std::vector<double>& samples, double sampleRate, double hz) {
    const size_t n = samples.size();
    double re = 0, im = 0, windowSum = 0;
    for (size_t i = 0; i < n; ++i) {
        const double w = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) /
                                              static_cast<double>(n));
        const double phase = 2.0 * std::numbers::pi * hz * static_cast<double>(i) / sampleRate;
        re += w * samples[i] * std::cos(phase);
        im -= w * samples[i] * std::sin(phase);
        windowSum += w;
    }
    const double amplitude = 2.0 * std::hypot(re, im) / windowSum;
    return 20.0 * std::log10(std::max(amplitude, 1e-20));
}

bool writeSineWav(const std::string& path, double seconds, const WavFormat& f, double hz,
                  double level) {
    return writeFile(path, canonicalWav(f, sineData(f, seconds, hz, level)));
}

} // namespace testmedia
