// Conversions judged from outside: sox converts the same inputs with its very-high-quality
// rate effect, and sox reads back what we wrote.

#include "wav/clsWavConcatenate.h"

#include "WavWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace testmedia;

namespace {

const WaveFormatEx Cd{1, 2, 44100, 176400, 4, 16, 0};

std::string run(const std::string& command) {
    std::string out;
    if (FILE* p = popen((command + " 2>&1").c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) {
            out.append(buf, n);
        }
        if (pclose(p) != 0) {
            out = "FAILED: " + out;
        }
    }
    return out;
}

bool haveSox() {
    return std::system("sox --version >/dev/null 2>&1") == 0;
}

struct Folder {
    Folder() {
        std::string t = (fs::temp_directory_path() / "wavconv.XXXXXX").string();
        path = mkdtemp(t.data());
    }
    ~Folder() { fs::remove_all(path); }
    std::string file(const std::string& n) const { return (path / n).string(); }
    fs::path path;
};

std::string join(const std::string& in, const std::string& out) {
    clsWavConcatenate engine;
    engine.setOutputFormat(Cd);
    if (!engine.WaveAdd(in) || !engine.WaveConcatenate(out, true)) {
        return engine.lastError();
    }
    return {};
}

// The 16-bit sound of a WAV file as sox decodes it, left channel.
std::vector<double> leftChannel(const std::string& wav) {
    const std::string raw = wav + ".raw";
    run("sox '" + wav + "' -t s16 -c 2 '" + raw + "'");
    return channelOf16(readFile(raw), 2, 0);
}

// Signal to noise of a converted sine against the ideal one, away from the two ends.
double sineSnrDb(const std::vector<double>& x, double rate, double hz, double amplitude) {
    double signal = 0, noise = 0;
    const size_t margin = static_cast<size_t>(rate / 10);
    for (size_t i = margin; i + margin < x.size(); ++i) {
        const double ideal =
            amplitude * std::sin(2 * std::numbers::pi * hz * static_cast<double>(i) / rate);
        signal += ideal * ideal;
        noise += (x[i] - ideal) * (x[i] - ideal);
    }
    return 10 * std::log10(signal / noise);
}

struct Source {
    const char* name;
    WavFormat format;
    std::vector<uint8_t> extra; // extensible formats
    double minAgreementDb;      // signal over the difference between our output and sox's
};

const std::vector<Source> sources{
    {"48 kHz 24-bit", {1, 2, 48000, 24}, {}, 85},
    {"96 kHz 24-bit", {1, 2, 96000, 24}, {}, 85},
    {"22.05 kHz 8-bit mono", {1, 1, 22050, 8}, {}, 60},
    {"48 kHz float", {3, 2, 48000, 32}, {}, 85},
    {"48 kHz 64-bit float", {3, 2, 48000, 64}, {}, 85},
    {"8 kHz 16-bit stereo", {1, 2, 8000, 16}, {}, 70},
    {"32 kHz 16-bit mono", {1, 1, 32000, 16}, {}, 85},
    {"44.1 kHz 32-bit", {1, 2, 44100, 32}, {}, 85},
    {"8 kHz mu-law mono", {7, 1, 8000, 8}, {}, 70},
    {"44.1 kHz 16-bit extensible", {0xFFFE, 2, 44100, 16}, extensibleExtra(16, 3, 1), 200},
    {"44.1 kHz 24-bit extensible", {0xFFFE, 2, 44100, 24}, extensibleExtra(24, 3, 1), 85},
};

TEST(Conversion, AgreesWithSoxToTheSample) {
    if (!haveSox()) {
        GTEST_SKIP() << "sox not installed";
    }
    for (const Source& s : sources) {
        SCOPED_TRACE(s.name);
        Folder dir;
        const std::string in = dir.file("in.wav"), ours = dir.file("ours.wav"),
                          ref = dir.file("sox.wav");
        WavFormat dataFormat = s.format;
        if (dataFormat.formatTag == 0xFFFE) {
            dataFormat.formatTag = 1;
        }
        const double amplitude = std::pow(10.0, -1.0 / 20);
        const std::vector<uint8_t> data = sineData(dataFormat, 3.5, 1000, amplitude);
        writeFile(in, riffFile({{"fmt ", fmtBody(s.format, s.extra)}, {"data", data}}));
        ASSERT_EQ(join(in, ours), "");
        // sox reads extensible files too, so it gets the very same input.
        ASSERT_EQ(
            run("sox '" + in + "' -r 44100 -b 16 -c 2 '" + ref + "' rate -v").rfind("FAILED", 0),
            std::string::npos);

        const std::string info = run("sox --i '" + ours + "'");
        EXPECT_EQ(info.find("FAILED"), std::string::npos) << info;
        EXPECT_EQ(run("sox --i -s '" + ours + "'"), run("sox --i -s '" + ref + "'"));

        const auto a = leftChannel(ours), b = leftChannel(ref);
        ASSERT_EQ(a.size(), b.size());
        double signal = 0, diff = 0;
        for (size_t i = 0; i < a.size(); ++i) {
            signal += b[i] * b[i];
            diff += (a[i] - b[i]) * (a[i] - b[i]);
        }
        const double agreement = diff == 0 ? 300 : 10 * std::log10(signal / diff);
        EXPECT_GE(agreement, s.minAgreementDb);
    }
}

bool decoderLibraryMapped() {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        if (line.find("libavcodec.so") != std::string::npos) {
            return true;
        }
    }
    return false;
}

// Joining plain sample formats must not load the decoder libraries, which cost over 20 MiB of
// resident memory. A child process joins every plain format above in one queue, so that no
// other test of this process has loaded them before.
TEST(Conversion, PlainFormatsJoinWithoutTheDecoderLibraries) {
    Folder dir;
    std::vector<std::string> inputs;
    for (const Source& s : sources) {
        WavFormat dataFormat = s.format;
        if (dataFormat.formatTag == 0xFFFE) {
            dataFormat.formatTag = 1;
        }
        inputs.push_back(dir.file("in" + std::to_string(inputs.size()) + ".wav"));
        writeFile(inputs.back(), riffFile({{"fmt ", fmtBody(s.format, s.extra)},
                                           {"data", sineData(dataFormat, 0.5, 1000, 0.5)}}));
    }
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        clsWavConcatenate engine;
        engine.setOutputFormat(Cd);
        for (const std::string& in : inputs) {
            if (!engine.WaveAdd(in)) {
                _exit(2);
            }
        }
        if (!engine.WaveConcatenate(dir.file("out.wav"), true)) {
            _exit(3);
        }
        _exit(decoderLibraryMapped() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the decoder library was loaded, 2: an input was "
                                         "refused, 3: the join failed";
}

// IMA and Microsoft ADPCM, the compressed formats met most, and GSM 06.10 are decoded without
// the decoder libraries, whose memory is most of a join's; a damaged block (a predictor no
// table has) is left out, the blocks around it are not.
TEST(Conversion, AdpcmJoinsWithoutTheDecoderLibraries) {
    if (!haveSox()) {
        GTEST_SKIP() << "sox not installed";
    }
    Folder dir;
    std::vector<std::string> inputs;
    for (const char* encoding : {"ima-adpcm", "ms-adpcm"}) {
        for (const char* channels : {"1", "2"}) {
            inputs.push_back(dir.file(std::string(encoding) + channels + ".wav"));
            ASSERT_EQ(run(std::string("sox -R -n -r 8000 -c ") + channels + " -e " + encoding +
                          " '" + inputs.back() + "' synth 1 sine 440")
                          .rfind("FAILED", 0),
                      std::string::npos);
        }
    }
    inputs.push_back(dir.file("gsm.wav"));
    ASSERT_EQ(
        run("sox -R -n -r 8000 -c 1 -e gsm-full-rate '" + inputs.back() + "' synth 1 sine 440")
            .rfind("FAILED", 0),
        std::string::npos);
    // The second block of the mono Microsoft ADPCM file names predictor 9 of 7.
    std::vector<uint8_t> damaged = readFile(inputs[2]);
    const std::string text(damaged.begin(), damaged.end());
    const size_t data = text.find("data") + 8;
    ASSERT_LT(data + 256, damaged.size());
    damaged[data + 256] = 9;
    writeFile(dir.file("damaged.wav"), damaged);
    inputs.push_back(dir.file("damaged.wav"));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        clsWavConcatenate engine;
        engine.setOutputFormat(Cd);
        for (const std::string& in : inputs) {
            if (!engine.WaveAdd(in)) {
                _exit(2);
            }
        }
        if (!engine.WaveConcatenate(dir.file("out.wav"), true)) {
            _exit(3);
        }
        _exit(decoderLibraryMapped() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the decoder library was loaded, 2: an input was "
                                         "refused, 3: the join failed";
    // Each undamaged file is about a second; the damaged one lacks one block of 500 frames.
    clsWavConcatenate one;
    one.setOutputFormat(Cd);
    ASSERT_TRUE(one.WaveAdd(inputs[2]) && one.WaveConcatenate(dir.file("whole.raw"), false));
    clsWavConcatenate other;
    other.setOutputFormat(Cd);
    ASSERT_TRUE(other.WaveAdd(dir.file("damaged.wav")) &&
                other.WaveConcatenate(dir.file("damaged.raw"), false));
    EXPECT_EQ(fs::file_size(dir.file("whole.raw")) - fs::file_size(dir.file("damaged.raw")),
              (500 * 44100 + 4000) / 8000 * 4);
}

// Encodings that sox writes itself: the companded ones are expanded here, the compressed ones
// go to a decoder loaded on demand. Each must sound like sox's own decoding of the same file.
TEST(Conversion, SoxEncodedFilesDecodeLikeSox) {
    if (!haveSox()) {
        GTEST_SKIP() << "sox not installed";
    }
    const struct {
        const char* encoding;
        double minAgreementDb;
        int channels;
    } encodings[] = {{"a-law", 55, 1},     {"u-law", 55, 1},        {"ima-adpcm", 40, 1},
                     {"ima-adpcm", 40, 2}, {"ms-adpcm", 40, 1},     {"ms-adpcm", 40, 2},
                     {"ms-adpcm", 40, 3},  {"gsm-full-rate", 60, 1}};
    for (const auto& e : encodings) {
        SCOPED_TRACE(std::string(e.encoding) + ", " + std::to_string(e.channels) + " channels");
        Folder dir;
        const std::string in = dir.file("in.wav"), ours = dir.file("ours.wav"),
                          ref = dir.file("sox.wav");
        // A tone of its own on each channel: a channel taken for another shows.
        ASSERT_EQ(run("sox -R -n -r 8000 -c " + std::to_string(e.channels) + " -e " +
                      std::string(e.encoding) + " '" + in +
                      "' synth 3 sine 440 sine 660 sine 880 vol 0.5")
                      .rfind("FAILED", 0),
                  std::string::npos);
        ASSERT_EQ(join(in, ours), "");
        // Three channels are front left, right and centre, mixed as the joiner mixes them.
        const std::string mix =
            e.channels == 3 ? " remix 1v0.585786,3v0.414214 2v0.585786,3v0.414214" : "";
        run("sox '" + in + "' -r 44100 -b 16 -c 2 '" + ref + "'" + mix + " rate -v");
        const auto a = leftChannel(ours), b = leftChannel(ref);
        ASSERT_NEAR(static_cast<double>(a.size()), static_cast<double>(b.size()), 44100 * 0.05);
        double signal = 0, diff = 0;
        for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
            signal += b[i] * b[i];
            diff += (a[i] - b[i]) * (a[i] - b[i]);
        }
        EXPECT_GE(10 * std::log10(signal / std::max(diff, 1e-30)), e.minAgreementDb);
    }
}

// 48 kHz float to 44.1 kHz 16-bit, measured beside sox: noise, the top of the pass band
// and a tone above the new Nyquist frequency that must not fold back.
TEST(Conversion, ResamplingQualityMatchesSox) {
    if (!haveSox()) {
        GTEST_SKIP() << "sox not installed";
    }
    Folder dir;
    const WavFormat f{3, 2, 48000, 32};
    const double amplitude = std::pow(10.0, -1.0 / 20);
    const auto convert = [&](double hz, bool bySox) {
        const std::string in = dir.file("in.wav"), out = dir.file("out.wav");
        writeFile(in, canonicalWav(f, sineData(f, 2.0, hz, amplitude)));
        if (bySox) {
            run("sox '" + in + "' -r 44100 -b 16 '" + out + "' rate -v");
        } else {
            EXPECT_EQ(join(in, out), "");
        }
        return leftChannel(out);
    };
    const double oursSnr = sineSnrDb(convert(1000, false), 44100, 1000, amplitude);
    const double soxSnr = sineSnrDb(convert(1000, true), 44100, 1000, amplitude);
    EXPECT_GE(oursSnr, soxSnr - 1.0) << "ours " << oursSnr << " dB, sox " << soxSnr << " dB";
    EXPECT_GE(oursSnr, 90.0);

    const double at20k = toneLevelDb(convert(20000, false), 44100, 20000);
    EXPECT_NEAR(at20k, -1.0, 0.1);
    const double alias = toneLevelDb(convert(23000, false), 44100, 44100 - 23000);
    EXPECT_LT(alias, -100.0);
}

} // namespace

namespace {

// Stereo 16-bit sound at every kind of rate, from one sample per second to far above what
// any recorder makes: each input of N frames becomes round(N x 44100 / rate) frames.
TEST(Conversion, EveryRateGivesTheRightNumberOfFrames) {
    Folder dir;
    const struct {
        uint32_t rate;
        double seconds;
    } rates[] = {{1, 12},       {2, 25},       {7, 12},       {100, 12},     {900, 12},
                 {1100, 12},    {1400, 12},    {8000, 2.5},   {11025, 1.1},  {96000, 1.1},
                 {192000, 1.1}, {384000, 1.1}, {768000, 0.5}, {4000000, 0.2}};
    clsWavConcatenate engine;
    engine.setOutputFormat(Cd);
    uint64_t expected = 0;
    for (const auto& r : rates) {
        const WavFormat f{1, 2, r.rate, 16};
        const std::string in = dir.file("in" + std::to_string(r.rate) + ".wav");
        const std::vector<uint8_t> data = sineData(f, r.seconds, r.rate / 10.0 + 0.1);
        writeFile(in, canonicalWav(f, data));
        ASSERT_TRUE(engine.WaveAdd(in)) << r.rate << " Hz: " << engine.lastError();
        const uint64_t frames = data.size() / 4;
        expected += (frames * 44100 + r.rate / 2) / r.rate;
        clsWavConcatenate one;
        one.setOutputFormat(Cd);
        ASSERT_TRUE(one.WaveAdd(in));
        ASSERT_TRUE(one.WaveConcatenate(dir.file("one.raw"), false))
            << r.rate << " Hz: " << one.lastError();
        EXPECT_EQ(fs::file_size(dir.file("one.raw")), (frames * 44100 + r.rate / 2) / r.rate * 4)
            << r.rate << " Hz";
    }
    ASSERT_TRUE(engine.WaveConcatenate(dir.file("all.wav"), true)) << engine.lastError();
    EXPECT_EQ(fs::file_size(dir.file("all.wav")), 44 + expected * 4);
}

// Errors of the decoder and resampler libraries end up in the joiner's messages, never on
// the terminal: damaged compressed sound is decoded with nothing written to standard error.
TEST(Conversion, LibraryMessagesStayOffTheTerminal) {
    if (!haveSox()) {
        GTEST_SKIP() << "sox not installed";
    }
    Folder dir;
    std::vector<std::string> inputs;
    for (const char* encoding : {"ima-adpcm", "ms-adpcm", "gsm-full-rate"}) {
        const std::string in = dir.file(std::string(encoding) + ".wav");
        ASSERT_EQ(run("sox -R -n -r 8000 -c 1 -e " + std::string(encoding) + " '" + in +
                      "' synth 3 sine 440")
                      .rfind("FAILED", 0),
                  std::string::npos);
        std::vector<uint8_t> bytes = readFile(in);
        for (size_t i = 200; i < bytes.size(); i += 7) {
            bytes[i] ^= 0xA5;
        }
        writeFile(in, bytes);
        inputs.push_back(in);
    }
    const std::string errors = dir.file("stderr.txt");
    fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    const int file = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(file, 0);
    dup2(file, STDERR_FILENO);
    ::close(file);
    clsWavConcatenate engine;
    engine.setOutputFormat(Cd);
    for (const std::string& in : inputs) {
        engine.WaveAdd(in);
    }
    const bool joined = engine.WaveConcatenate(dir.file("out.wav"), true);
    fflush(stderr);
    dup2(saved, STDERR_FILENO);
    ::close(saved);
    EXPECT_TRUE(joined) << engine.lastError();
    EXPECT_EQ(fs::file_size(errors), 0u) << readFile(errors).data();
}

} // namespace

// Quantising float sound to 16 bits: silence becomes dither of at most one step either way,
// unbiased and different in each channel; beyond full scale is clipped, NaN is silence; and
// the same input gives the same bytes each time, whatever the pieces it is read in.
TEST(Conversion, DitherIsSmallUnbiasedAndRepeatable) {
    Folder dir;
    const WavFormat f{3, 2, 44100, 32};
    const uint64_t frames = 100000;
    const float special[] = {2.0f, -2.0f, std::nanf(""), 0.25f};
    std::vector<float> samples(frames * 2, 0.0f);
    for (size_t i = 0; i < 4; ++i) {
        samples[(frames - 4 + i) * 2] = samples[(frames - 4 + i) * 2 + 1] = special[i];
    }
    std::vector<uint8_t> data(samples.size() * 4);
    std::memcpy(data.data(), samples.data(), data.size());
    writeFile(dir.file("in.wav"), canonicalWav(f, data));
    ASSERT_EQ(join(dir.file("in.wav"), dir.file("a.wav")), "");
    ASSERT_EQ(join(dir.file("in.wav"), dir.file("b.wav")), "");
    const std::vector<uint8_t> a = readFile(dir.file("a.wav")), b = readFile(dir.file("b.wav"));
    ASSERT_EQ(a.size(), 44 + frames * 4);
    EXPECT_TRUE(a == b) << "the same input gave different bytes";

    const std::vector<uint8_t> pcm(a.begin() + 44, a.end());
    const std::vector<double> left = channelOf16(pcm, 2, 0), right = channelOf16(pcm, 2, 1);
    double sum = 0, square = 0, cross = 0, largest = 0;
    const size_t quiet = frames - 4;
    for (size_t i = 0; i < quiet; ++i) {
        const double l = left[i] * 32768, r = right[i] * 32768;
        largest = std::max({largest, std::abs(l), std::abs(r)});
        sum += l;
        square += l * l;
        cross += l * r;
    }
    EXPECT_LE(largest, 1.0);
    EXPECT_NEAR(sum / quiet, 0.0, 0.02);
    // Triangular noise of +-1 step, rounded: a quarter of the samples are one step off zero.
    EXPECT_NEAR(square / quiet, 0.25, 0.02);
    EXPECT_NEAR(cross / quiet, 0.0, 0.03) << "the channels' dither is not independent";
    for (size_t c = 0; c < 2; ++c) {
        const std::vector<double>& x = c ? right : left;
        EXPECT_EQ(x[quiet] * 32768, 32767);
        EXPECT_EQ(x[quiet + 1] * 32768, -32768);
        EXPECT_LE(std::abs(x[quiet + 2] * 32768), 1.0);
        EXPECT_NEAR(x[quiet + 3] * 32768, 8192, 1.0);
    }
}

// Each channel of resampled stereo (the two run side by side on two threads, several pieces
// at a time) comes out exactly as the same sound does alone in a mono file, dither included.
TEST(Conversion, StereoChannelsComeOutAsTheyDoAlone) {
    Folder dir;
    const uint64_t frames = 48000 * 3 + 77;
    const auto signal = [](uint64_t i, int c) {
        const uint64_t h = (i * 2654435761u + static_cast<uint64_t>(c) * 40503u) % 65536;
        return 0.3 * std::sin(static_cast<double>(i) * (c ? 0.031 : 0.05)) +
               0.2 * (static_cast<double>(h) / 65536.0 - 0.5);
    };
    const WavFormat stereo{1, 2, 48000, 24}, mono{1, 1, 48000, 24};
    writeFile(dir.file("lr.wav"), canonicalWav(stereo, pcmData(stereo, frames, signal)));
    for (int c = 0; c < 2; ++c) {
        const auto alone = [&](uint64_t i, int) { return signal(i, c); };
        writeFile(dir.file("m" + std::to_string(c) + ".wav"),
                  canonicalWav(mono, pcmData(mono, frames, alone)));
    }
    ASSERT_EQ(join(dir.file("lr.wav"), dir.file("lr.out.wav")), "");
    ASSERT_EQ(join(dir.file("m0.wav"), dir.file("m0.out.wav")), "");
    ASSERT_EQ(join(dir.file("m1.wav"), dir.file("m1.out.wav")), "");
    const auto sound = [&](const std::string& name) {
        const std::vector<uint8_t> b = readFile(dir.file(name));
        return std::vector<uint8_t>(b.begin() + 44, b.end());
    };
    const std::vector<uint8_t> both = sound("lr.out.wav");
    ASSERT_EQ(both.size(), (frames * 44100 + 24000) / 48000 * 4);
    EXPECT_TRUE(channelOf16(both, 2, 0) == channelOf16(sound("m0.out.wav"), 2, 0));
    EXPECT_TRUE(channelOf16(both, 2, 1) == channelOf16(sound("m1.out.wav"), 2, 1));
}
