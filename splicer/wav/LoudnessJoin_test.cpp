// Matched loudness, gaps and crossfades between the inputs of a join.

#include "wav/LoudnessMeter.h"
#include "wav/TruePeak.h"
#include "wav/clsWavConcatenate.h"

#include "WavWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <ebur128.h>
#include <filesystem>
#include <stdlib.h>

namespace fs = std::filesystem;
using namespace testmedia;

namespace {

const WaveFormatEx Cd{1, 2, 44100, 176400, 4, 16, 0};

struct TempFolder {
    TempFolder() {
        std::string t = (fs::temp_directory_path() / "loudjoin.XXXXXX").string();
        path = mkdtemp(t.data());
    }
    ~TempFolder() { fs::remove_all(path); }
    std::string file(const std::string& name) const { return (path / name).string(); }
    fs::path path;
};

// Loudness and true peak of frames [from, to) of a 16-bit stereo sound.
struct Reading {
    double lufs, truePeak;
};
Reading measure(const std::vector<uint8_t>& pcm, size_t from, size_t to) {
    const std::vector<double> l = channelOf16(pcm, 2, 0), r = channelOf16(pcm, 2, 1);
    std::vector<float> a(l.begin() + from, l.begin() + to), b(r.begin() + from, r.begin() + to);
    const float* planes[] = {a.data(), b.data()};
    LoudnessMeter meter(2, 44100);
    meter.add(planes, 2, a.size());
    return {meter.integrated(), meter.truePeak()};
}

std::vector<uint8_t> soundOf(const std::string& wav) {
    const std::vector<uint8_t> b = readFile(wav);
    return {b.begin() + 44, b.end()};
}

class LoudnessJoin : public ::testing::Test {
protected:
    LoudnessJoin() { engine.setOutputFormat(Cd); }
    // A file made by sox from `effects` (after "-n"), e.g. "synth 5 sine 1000 vol -23dB".
    std::string sox(const std::string& name, const std::string& format,
                    const std::string& effects) {
        const std::string p = dir.file(name);
        const std::string command = "sox -n " + format + " '" + p + "' " + effects;
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return p;
    }
    void add(const std::string& path) { ASSERT_TRUE(engine.WaveAdd(path)) << engine.lastError(); }
    JoinOptions matched(double target = JoinOptions::DefaultTarget) {
        JoinOptions o;
        o.matchLoudness = true;
        o.targetLufs = target;
        return o;
    }
    TempFolder dir;
    clsWavConcatenate engine;
};

// A 1 kHz sine at L dBFS on both channels reads L LUFS; a mono one goes to both channels
// and reads the same. Rates and widths are converted before measuring.
TEST_F(LoudnessJoin, SinesOfKnownLevelMeasureWithinATenthOfAUnit) {
    struct Row {
        const char* format;
        double level;
    } rows[] = {{"-r 48000 -b 24 -c 2", -23},
                {"-r 48000 -b 24 -c 2", -33},
                {"-r 44100 -b 16 -c 2", -18},
                {"-r 22050 -b 16 -c 1", -20},
                {"-r 96000 -e floating-point -b 32 -c 2", -9}};
    int n = 0;
    for (const Row& row : rows) {
        add(sox("s" + std::to_string(n++) + ".wav", row.format,
                "synth 20 sine 1000 vol " + std::to_string(row.level) + "dB"));
    }
    // Silence after the tone is below the absolute gate and does not count.
    add(sox("gated.wav", "-r 44100 -b 16 -c 2", "synth 10 sine 1000 vol -20dB pad 0 10"));
    ASSERT_TRUE(engine.WaveMeasure()) << engine.lastError();
    ASSERT_EQ(engine.loudness().size(), std::size(rows) + 1);
    EXPECT_NEAR(engine.loudness().back().lufs, -20, 0.1);
    for (size_t i = 0; i < std::size(rows); ++i) {
        const InputLoudness& m = engine.loudness()[i];
        EXPECT_TRUE(m.measured);
        EXPECT_NEAR(m.lufs, rows[i].level, 0.1) << rows[i].format << " " << rows[i].level;
        EXPECT_NEAR(m.truePeak, rows[i].level, 0.1) << rows[i].format << " " << rows[i].level;
    }
}

// The true peak agrees with the loudness library's own at every oversampling (4x, 2x from
// 96 kHz, none from 192 kHz), on noise that reaches past its samples between them.
TEST(TruePeakMeter, AgreesWithTheLibraryAtEveryRate) {
    for (uint32_t rate : {44100u, 48000u, 96000u, 192000u}) {
        ebur128_state* reference = ebur128_init(1, rate, EBUR128_MODE_TRUE_PEAK);
        TruePeak ours(rate);
        uint32_t seed = 12345;
        std::vector<float> piece;
        for (size_t n : {1u, 4095u, 5000u, 17u, 30000u}) { // pieces of odd lengths
            piece.resize(n);
            for (float& v : piece) {
                seed = seed * 1664525u + 1013904223u;
                const float white = static_cast<float>(seed >> 8) / 16777216.0f - 0.5f;
                v = (seed & 0x7000) == 0x7000 ? 0.9f * (white > 0 ? 1 : -1) : white;
            }
            ours.add(piece.data(), n);
            ebur128_add_frames_float(reference, piece.data(), n);
        }
        double expected = 0;
        ebur128_true_peak(reference, 0, &expected);
        ebur128_destroy(&reference);
        EXPECT_GE(ours.peak(), 0.9f) << rate;
        EXPECT_NEAR(20 * std::log10(ours.peak()), 20 * std::log10(expected), 0.01) << rate;
    }
}

// The meter's integrated loudness agrees with the loudness library's at the output's rate and
// at the inputs' own rates, mono and stereo, on noise and tones with quiet stretches that the
// gates leave out, fed in pieces of odd lengths.
TEST(LoudnessMeterReading, AgreesWithTheLibraryAtEveryRate) {
    for (uint32_t rate : {8000u, 22050u, 44100u, 48000u, 96000u}) {
        for (unsigned channels : {1u, 2u}) {
            ebur128_state* reference = ebur128_init(channels, rate, EBUR128_MODE_I);
            LoudnessMeter ours(channels, rate);
            uint32_t seed = 777;
            uint64_t at = 0;
            for (size_t n : {1u, 4095u, 70001u, 17u, 300000u, 5000u}) {
                std::vector<std::vector<float>> planes(channels, std::vector<float>(n));
                std::vector<float> interleaved(n * channels);
                for (size_t i = 0; i < n; ++i, ++at) {
                    const double t = static_cast<double>(at) / rate;
                    // A loud second, a quiet one, and one below the absolute gate, in turn.
                    const double level = std::array{0.5, 0.05, 0.0001}[(at / rate) % 3];
                    for (unsigned c = 0; c < channels; ++c) {
                        seed = seed * 1664525u + 1013904223u;
                        const double noise = static_cast<double>(seed >> 8) / 16777216.0 - 0.5;
                        const float v = static_cast<float>(
                            level * (0.6 * noise + 0.4 * std::sin(2 * 3.14159265358979 *
                                                                  (300.0 + 700.0 * c) * t)));
                        planes[c][i] = v;
                        interleaved[i * channels + c] = v;
                    }
                }
                std::vector<const float*> p;
                for (const auto& plane : planes) {
                    p.push_back(plane.data());
                }
                ours.add(p.data(), channels, n);
                ebur128_add_frames_float(reference, interleaved.data(), n);
            }
            double expected = 0;
            ebur128_loudness_global(reference, &expected);
            ebur128_destroy(&reference);
            EXPECT_NEAR(ours.integrated(), expected, 0.01) << rate << " Hz, " << channels;
        }
    }
}

// Quiet and loud inputs come out at the target, each with its own gain; the joined file's
// length does not change.
TEST_F(LoudnessJoin, EachInputIsBroughtToTheTarget) {
    add(sox("quiet.wav", "-r 48000 -b 24 -c 2", "synth 6 pinknoise vol -30dB"));
    add(sox("tone.wav", "-r 44100 -b 16 -c 2", "synth 5 sine 440 vol -12dB"));
    add(sox("mono.wav", "-r 44100 -b 16 -c 1", "synth 4 sine 200 sine 3000 vol -26dB"));
    // Above the output's rate: much of white noise lies above the output's band, little of
    // a tone with quiet noise.
    add(sox("white.wav", "-r 96000 -b 24 -c 2", "synth 3 whitenoise vol -30dB"));
    add(sox("tone48.wav", "-r 48000 -b 24 -c 2",
            "synth 3 whitenoise vol -36dB synth 3 sine mix 1000 vol -20dB"));
    ASSERT_TRUE(engine.setJoinOptions(matched(-18)));
    ASSERT_TRUE(engine.WaveConcatenate(dir.file("out.wav"), true)) << engine.lastError();
    const std::vector<uint8_t> out = soundOf(dir.file("out.wav"));
    ASSERT_EQ(out.size(), (6 + 5 + 4 + 3 + 3) * 44100u * 4);
    size_t at = 0;
    for (const InputLoudness& in : engine.loudness()) {
        EXPECT_FALSE(in.kept);
        EXPECT_FALSE(in.limitedByPeak);
        EXPECT_NEAR(in.gainDb, -18 - in.lufs, 1e-9);
        const Reading r = measure(out, at, at + in.frames);
        EXPECT_NEAR(r.lufs, -18, 0.1) << at;
        EXPECT_LE(r.truePeak, -1.0);
        at += in.frames;
    }
    EXPECT_GT(engine.loudness()[0].gainDb, 5);
    EXPECT_LT(engine.loudness()[1].gainDb, -3);
}

// An input whose peaks would pass -1 dBTP at the target's gain gets only as much gain as
// keeps it under: pink noise (peaks well above its loudness), and a quiet tone with clicks.
TEST_F(LoudnessJoin, TruePeakStaysUnderTheCeiling) {
    add(sox("pink.wav", "-r 48000 -b 24 -c 2", "synth 5 pinknoise vol -25dB"));
    const WavFormat cd;
    const auto clicks = [](uint64_t i, int) {
        const double t = static_cast<double>(i) / 44100;
        return (i % 11025 < 40 ? 0.79 : 0.02) * std::sin(2 * 3.14159265358979 * 1000 * t);
    };
    writeFile(dir.file("clicks.wav"), canonicalWav(cd, pcmData(cd, 44100 * 5, clicks)));
    add(dir.file("clicks.wav"));
    ASSERT_TRUE(engine.setJoinOptions(matched(-9)));
    ASSERT_TRUE(engine.WaveConcatenate(dir.file("out.wav"), true)) << engine.lastError();
    const std::vector<uint8_t> out = soundOf(dir.file("out.wav"));
    size_t at = 0;
    for (const InputLoudness& in : engine.loudness()) {
        EXPECT_TRUE(in.limitedByPeak);
        EXPECT_NEAR(in.truePeak + in.gainDb, JoinOptions::PeakCeiling, 1e-9);
        const Reading r = measure(out, at, at + in.frames);
        EXPECT_LE(r.truePeak, -1.0 + 0.01);
        EXPECT_LT(r.lufs, -9);
        at += in.frames;
    }
}

// Loud peaks in inputs below and above the output's rate stay under the ceiling once
// converted: bursts of a high tone near the top of a 22,050 Hz input, and bursts of a square wave
// (whose converted peaks rise above its samples) over a quiet tone at 96,000 Hz.
TEST_F(LoudnessJoin, TruePeakStaysUnderTheCeilingAtOtherRates) {
    const WavFormat low{1, 1, 22050, 16};
    const auto high = [](uint64_t i, int) {
        const double t = static_cast<double>(i) / 22050;
        const bool burst = i % 11025 < 441;
        return burst ? 0.9 * std::sin(2 * 3.14159265358979 * 9500 * t)
                     : 0.01 * std::sin(2 * 3.14159265358979 * 500 * t);
    };
    writeFile(dir.file("high.wav"), canonicalWav(low, pcmData(low, 22050 * 4, high)));
    add(dir.file("high.wav"));
    const WavFormat hi{1, 2, 96000, 24};
    const auto bursts = [](uint64_t i, int c) {
        const double t = static_cast<double>(i) / 96000;
        const bool burst = i % 96000 < 96;
        return burst ? (i / 16 % 2 ? 0.97 : -0.97)
                     : 0.1 * std::sin(2 * 3.14159265358979 * (1000 + 200 * c) * t);
    };
    writeFile(dir.file("bursts.wav"), canonicalWav(hi, pcmData(hi, 96000 * 4, bursts)));
    add(dir.file("bursts.wav"));
    ASSERT_TRUE(engine.setJoinOptions(matched(-9)));
    ASSERT_TRUE(engine.WaveConcatenate(dir.file("out.wav"), true)) << engine.lastError();
    const std::vector<uint8_t> out = soundOf(dir.file("out.wav"));
    size_t at = 0;
    for (const InputLoudness& in : engine.loudness()) {
        EXPECT_TRUE(in.limitedByPeak);
        const Reading r = measure(out, at, at + in.frames);
        EXPECT_LE(r.truePeak, -1.0 + 0.01) << at;
        at += in.frames;
    }
}

// Silence has no loudness, and under 0.4 s there is no gated block: both keep their level,
// byte for byte.
TEST_F(LoudnessJoin, SilenceAndVeryShortInputsKeepTheirLevel) {
    const std::string silence = sox("silence.wav", "-r 44100 -b 16 -c 2", "trim 0 3");
    const std::string blip = sox("blip.wav", "-r 44100 -b 16 -c 2", "synth 0.39 sine 800 vol -3dB");
    const std::string tone = sox("tone.wav", "-r 44100 -b 16 -c 2", "synth 2 sine 440 vol -30dB");
    add(silence);
    add(blip);
    add(tone);
    ASSERT_TRUE(engine.setJoinOptions(matched()));
    ASSERT_TRUE(engine.WaveConcatenate(dir.file("out.wav"), true)) << engine.lastError();
    const auto& m = engine.loudness();
    EXPECT_TRUE(m[0].kept);
    EXPECT_TRUE(m[1].kept);
    EXPECT_FALSE(m[2].kept);
    EXPECT_EQ(m[0].gainDb, 0);
    EXPECT_EQ(m[1].gainDb, 0);
    std::vector<uint8_t> expected = soundOf(silence);
    const std::vector<uint8_t> b = soundOf(blip);
    expected.insert(expected.end(), b.begin(), b.end());
    const std::vector<uint8_t> out = soundOf(dir.file("out.wav"));
    ASSERT_GT(out.size(), expected.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), out.begin()));
}

// Output length = inputs + gaps - crossfades, to the frame; an input shorter than twice the
// crossfade meets its neighbours without one; the crossfade is equal-power.
TEST_F(LoudnessJoin, GapsAndCrossfadesHaveExactLengths) {
    const WavFormat cd;
    const auto constant = [&](const std::string& name, uint64_t frames, double v) {
        writeFile(dir.file(name),
                  canonicalWav(cd, pcmData(cd, frames, [v](uint64_t, int) { return v; })));
        return dir.file(name);
    };
    const uint64_t a = 44100 * 2 + 17, b = 30001, c = 44100 * 3 + 5, d = 44100 * 2 + 1;
    add(constant("a.wav", a, 0.5));
    add(constant("b.wav", b, 0.25)); // 0.68 s: too short for 2 x 0.5 s
    add(constant("c.wav", c, 0.5));
    add(constant("d.wav", d, 0.0));

    JoinOptions gap;
    gap.gapSeconds = 0.25;
    ASSERT_TRUE(engine.setJoinOptions(gap));
    ASSERT_TRUE(engine.WaveConcatenate(dir.file("gap.wav"), true)) << engine.lastError();
    const std::vector<uint8_t> gapped = soundOf(dir.file("gap.wav"));
    EXPECT_EQ(gapped.size() / 4, a + b + c + d + 3 * 11025);
    const std::vector<double> g = channelOf16(gapped, 2, 0);
    EXPECT_EQ(g[a - 1], 0.5);
    EXPECT_EQ(g[a], 0.0);
    EXPECT_EQ(g[a + 11024], 0.0);
    EXPECT_EQ(g[a + 11025], 0.25);

    JoinOptions fade;
    fade.crossfadeSeconds = 0.5;
    const uint64_t x = 22050;
    ASSERT_TRUE(engine.setJoinOptions(fade));
    ASSERT_TRUE(engine.WaveConcatenate(dir.file("fade.wav"), false)) << engine.lastError();
    const std::vector<uint8_t> faded = readFile(dir.file("fade.wav"));
    EXPECT_EQ(faded.size() / 4, a + b + c + d - x);
    const auto& m = engine.loudness();
    EXPECT_FALSE(m[0].crossfadeSkipped);
    EXPECT_TRUE(m[1].crossfadeSkipped);
    EXPECT_FALSE(m[2].crossfadeSkipped);
    EXPECT_FALSE(m[3].crossfadeSkipped);
    const std::vector<double> f = channelOf16(faded, 2, 1);
    EXPECT_EQ(f[a - 1], 0.5); // a meets the short b hard
    EXPECT_EQ(f[a], 0.25);
    // c fades out into the silent d along a cosine: half power (1/sqrt 2) at the middle.
    const uint64_t start = a + b + c - x;
    EXPECT_NEAR(f[start - 1], 0.5, 1e-4);
    EXPECT_NEAR(f[start + x / 2], 0.5 * std::sqrt(0.5), 1e-4);
    EXPECT_NEAR(f[start + x - 1], 0.0, 1e-4);
    EXPECT_NEAR(f[start + x], 0.0, 1e-4);
}

TEST_F(LoudnessJoin, OptionsOutOfRangeOrTogetherAreRefused) {
    JoinOptions o;
    o.gapSeconds = 1;
    o.crossfadeSeconds = 1;
    EXPECT_FALSE(engine.setJoinOptions(o));
    EXPECT_EQ(engine.lastError(), "A gap and a crossfade cannot be used together");
    for (double target : {-23.5, -8.9}) {
        EXPECT_FALSE(engine.setJoinOptions(matched(target))) << target;
    }
    EXPECT_TRUE(engine.setJoinOptions(matched(-23)));
    EXPECT_TRUE(engine.setJoinOptions(matched(-9)));
    o = {};
    o.gapSeconds = 10.01;
    EXPECT_FALSE(engine.setJoinOptions(o));
    o = {};
    o.crossfadeSeconds = -1;
    EXPECT_FALSE(engine.setJoinOptions(o));
    EXPECT_TRUE(engine.setJoinOptions(matched(-9))) << "refusals leave the last good options";
}

// Cancelled while measuring or while writing: the old output stays as it was and nothing
// else is left in its folder. Progress runs once through both passes.
TEST_F(LoudnessJoin, CancelInEitherPassLeavesNothingBehind) {
    const std::string in = sox("long.wav", "-r 48000 -b 16 -c 2", "synth 25 sine 500 vol -20dB");
    add(in);
    add(in);
    ASSERT_TRUE(engine.setJoinOptions(matched()));
    std::vector<int> seen;
    engine.Progress = [&](int16_t& p) { seen.push_back(p); };
    ASSERT_TRUE(engine.WaveConcatenate(dir.file("whole.wav"), true));
    // Progress covers both passes (each input measured, then written; where there are two
    // cores, the next input is measured while one is written): it never goes back, and the
    // last report comes with the last input's last full ten-second block written.
    ASSERT_GE(seen.size(), 4u);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end())) << ::testing::PrintToString(seen);
    EXPECT_EQ(seen.back(), 95) << ::testing::PrintToString(seen);

    const std::vector<uint8_t> old = {1, 2, 3};
    writeFile(dir.file("out.wav"), old);
    for (int from : {0, 20, 60}) { // at once, after some progress, late in the writing
        int percent = 0;
        engine.Progress = [&](int16_t& p) { percent = p; };
        engine.CancelRequested = [&] { return percent >= from; };
        EXPECT_FALSE(engine.WaveConcatenate(dir.file("out.wav"), true)) << from;
        EXPECT_EQ(engine.lastError(), "Cancelled");
        EXPECT_EQ(readFile(dir.file("out.wav")), old);
        size_t files = 0;
        for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path)) {
            ++files;
        }
        EXPECT_EQ(files, 3u) << from; // long.wav, whole.wav, out.wav
    }
}

// An input that is gone when its turn to be measured comes ends the run with its name,
// wherever it stands in the queue: measured first, beside another, or while the writing runs
// and the other measuring thread waits for its turn. The old output stays; nothing is left.
TEST_F(LoudnessJoin, AnInputGoneBeforeItIsMeasuredEndsTheRunWithItsName) {
    const std::string in = sox("in.wav", "-r 48000 -b 16 -c 2", "synth 4 sine 500 vol -20dB");
    const std::vector<uint8_t> old = {1, 2, 3};
    for (size_t gone : {0u, 1u, 4u}) {
        clsWavConcatenate join;
        join.setOutputFormat(Cd);
        std::vector<std::string> names;
        for (size_t i = 0; i < 5; ++i) {
            names.push_back(dir.file("in" + std::to_string(i) + ".wav"));
            fs::copy_file(in, names.back(), fs::copy_options::overwrite_existing);
            ASSERT_TRUE(join.WaveAdd(names.back())) << join.lastError();
        }
        ASSERT_TRUE(join.setJoinOptions(matched()));
        fs::remove(names[gone]);
        writeFile(dir.file("out.wav"), old);
        EXPECT_FALSE(join.WaveConcatenate(dir.file("out.wav"), true)) << gone;
        EXPECT_NE(join.lastError().find("in" + std::to_string(gone) + ".wav"), std::string::npos)
            << join.lastError();
        EXPECT_EQ(readFile(dir.file("out.wav")), old) << gone;
        EXPECT_FALSE(join.WaveMeasure()) << gone;
        EXPECT_NE(join.lastError().find("in" + std::to_string(gone) + ".wav"), std::string::npos)
            << join.lastError();
        size_t files = 0;
        for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path)) {
            ++files;
        }
        EXPECT_EQ(files, 6u) << gone; // in.wav, four inputs, out.wav
        fs::copy_file(in, names[gone]);
    }
}

} // namespace
