#include "WavWriter.h"

#include <cmath>
#include <fstream>
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
        const uint64_t size = c.declaredSize >= 0 ? static_cast<uint64_t>(c.declaredSize) : c.body.size();
        putLE(body, size, 4);
        body.insert(body.end(), c.body.begin(), c.body.end());
        if (c.body.size() % 2 == 1)
            body.push_back(0);
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
        return level * std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(i) / f.sampleRate);
    });
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

bool writeSineWav(const std::string& path, double seconds, const WavFormat& f, double hz, double level) {
    return writeFile(path, canonicalWav(f, sineData(f, seconds, hz, level)));
}

} // namespace testmedia
