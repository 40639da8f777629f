// Conversion quality of the joiner beside sox and ffmpeg, on the same generated inputs:
// a 1 kHz sine at -1 dBFS, 48 kHz float to 44.1 kHz 16-bit (SNR against the ideal sine),
// the level of a 20 kHz tone (top of the pass band) and what a 23 kHz tone leaves at its
// alias frequency of 21.1 kHz.

#include "wav/clsWavConcatenate.h"

#include "WavWriter.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <numbers>
#include <string>

namespace fs = std::filesystem;
using namespace testmedia;

namespace {

const double Amplitude = std::pow(10.0, -1.0 / 20);

std::vector<double> leftOf(const std::string& wav) {
    const std::string raw = wav + ".raw";
    if (std::system(("sox '" + wav + "' -t s16 -c 2 '" + raw + "' 2>/dev/null").c_str()) != 0) {
        return {};
    }
    return channelOf16(readFile(raw), 2, 0);
}

double snrDb(const std::vector<double>& x, double hz) {
    double signal = 0, noise = 0;
    for (size_t i = 4410; i + 4410 < x.size(); ++i) {
        const double ideal =
            Amplitude * std::sin(2 * std::numbers::pi * hz * static_cast<double>(i) / 44100);
        signal += ideal * ideal;
        noise += (x[i] - ideal) * (x[i] - ideal);
    }
    return 10 * std::log10(signal / noise);
}

using Converter = std::function<bool(const std::string& in, const std::string& out)>;

} // namespace

int main() {
    std::string t = (fs::temp_directory_path() / "splicer-quality.XXXXXX").string();
    const fs::path dir = mkdtemp(t.data());
    const WavFormat f{3, 2, 48000, 32};
    const std::vector<std::pair<const char*, Converter>> converters{
        {"wavsplice",
         [](const std::string& in, const std::string& out) {
             clsWavConcatenate engine;
             engine.setOutputFormat(WaveFormatEx{1, 2, 44100, 176400, 4, 16, 0});
             return engine.WaveAdd(in) && engine.WaveConcatenate(out, true);
         }},
        {"sox rate -v (dithered)",
         [](const std::string& in, const std::string& out) {
             return std::system(
                        ("sox '" + in + "' -r 44100 -b 16 '" + out + "' rate -v 2>/dev/null")
                            .c_str()) == 0;
         }},
        {"ffmpeg swr default",
         [](const std::string& in, const std::string& out) {
             return std::system(("ffmpeg -nostdin -loglevel error -y -i '" + in +
                                 "' -ar 44100 -c:a pcm_s16le '" + out + "'")
                                    .c_str()) == 0;
         }},
        {"ffmpeg soxr (its defaults)",
         [](const std::string& in, const std::string& out) {
             return std::system(("ffmpeg -nostdin -loglevel error -y -i '" + in +
                                 "' -af aresample=44100:resampler=soxr -c:a pcm_s16le '" + out +
                                 "'")
                                    .c_str()) == 0;
         }},
        {"ffmpeg soxr precision 28",
         [](const std::string& in, const std::string& out) {
             return std::system(
                        ("ffmpeg -nostdin -loglevel error -y -i '" + in +
                         "' -af "
                         "aresample=44100:resampler=soxr:precision=28:dither_method=triangular "
                         "-c:a pcm_s16le '" +
                         out + "'")
                            .c_str()) == 0;
         }},
    };
    std::printf("\nConversion quality, 48 kHz float -> 44.1 kHz 16-bit, tones at -1 dBFS\n");
    std::printf("%-28s %12s %14s %16s\n", "converter", "SNR 1k dB", "20 kHz dBFS",
                "23k alias dBFS");
    for (const auto& [name, convert] : converters) {
        double figures[3];
        const double tones[3] = {1000, 20000, 23000};
        for (int k = 0; k < 3; ++k) {
            const std::string in = (dir / "in.wav").string(), out = (dir / "out.wav").string();
            writeFile(in, canonicalWav(f, sineData(f, 3.0, tones[k], Amplitude)));
            fs::remove(out);
            const auto x = convert(in, out) ? leftOf(out) : std::vector<double>{};
            if (x.empty()) {
                figures[k] = NAN;
                continue;
            }
            figures[k] =
                k == 0 ? snrDb(x, 1000) : toneLevelDb(x, 44100, k == 1 ? 20000 : 44100 - 23000);
        }
        std::printf("%-28s %12.2f %14.3f %16.1f\n", name, figures[0], figures[1], figures[2]);
    }
    fs::remove_all(dir);
    return 0;
}
