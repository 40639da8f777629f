#include "engine/WaveformCache.h"
#include "engine/WaveformDecoder.h"

#include "WavWriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>

namespace {

TEST(WaveformDecoder, ReduceKeepsTheLoudestOfEachStretch) {
    struct Case {
        std::vector<float> fine;
        int columns;
        std::vector<float> expected;
    };
    const Case cases[] = {
        {{0.1f, 0.9f, 0.2f, 0.3f}, 2, {0.9f, 0.3f}},
        {{0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f}, 4, {0.2f, 0.3f, 0.5f, 0.6f}},
        {{0.4f, 0.8f}, 4, {0.4f, 0.4f, 0.8f, 0.8f}},
        {{}, 3, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WaveformDecoder::reduce(c.fine, c.columns), c.expected);
    }
}

class WaveformFiles : public ::testing::Test {
protected:
    QString halves(const QString& name, double loud, double quiet,
                   const testmedia::WavFormat& f = {}) {
        const QString path = dir.filePath(name);
        auto data = testmedia::sineData(f, loud, 440.0, 0.8);
        // Silence is 0, or the middle value 128 of unsigned 8-bit samples.
        data.resize(data.size() + static_cast<size_t>(quiet * f.byteRate()),
                    f.bitsPerSample == 8 ? 0x80 : 0);
        testmedia::writeFile(path.toStdString(), testmedia::canonicalWav(f, data));
        return path;
    }
    QTemporaryDir dir;
    std::atomic_bool keepGoing{false};
};

TEST_F(WaveformFiles, PeaksFollowTheSoundInEveryFormat) {
    for (const testmedia::WavFormat& f :
         {testmedia::WavFormat{}, testmedia::WavFormat{1, 1, 22050, 8},
          testmedia::WavFormat{3, 2, 48000, 32}, testmedia::WavFormat{1, 2, 44100, 24}}) {
        const QString path = halves(QStringLiteral("h.wav"), 3, 1, f);
        const auto w = WaveformDecoder::compute(path, 100, keepGoing);
        ASSERT_TRUE(w) << f.bitsPerSample;
        EXPECT_NEAR(w->duration, 4.0, 0.01);
        ASSERT_EQ(w->peaks.size(), 100u);
        for (int c = 0; c < 100; ++c) {
            if (c < 74) {
                EXPECT_NEAR(w->peaks[size_t(c)], 0.8, 0.02) << c << " " << f.bitsPerSample;
            } else if (c > 75) {
                EXPECT_LT(w->peaks[size_t(c)], 0.01) << c << " " << f.bitsPerSample;
            }
        }
    }
}

// The same pass that makes the overview finds the track's tempo and beats, from stereo 16-bit
// and from float alike.
TEST_F(WaveformFiles, TheOverviewPassFindsTheBeat) {
    for (const testmedia::WavFormat& f :
         {testmedia::WavFormat{}, testmedia::WavFormat{3, 2, 48000, 32}}) {
        const double bpm = 120, seconds = 20;
        const auto data = testmedia::pcmData(
            f, static_cast<uint64_t>(seconds * f.sampleRate), [&](uint64_t i, int) {
                const double t = static_cast<double>(i) / f.sampleRate;
                const double since = std::fmod(t, 60 / bpm);
                // A click on each beat: a tone that dies away in a few milliseconds.
                return 0.8 * std::exp(-since / 0.006) * std::sin(2 * M_PI * 1500 * since);
            });
        const QString path = dir.filePath(QStringLiteral("beat.wav"));
        testmedia::writeFile(path.toStdString(), testmedia::canonicalWav(f, data));
        const auto w = WaveformDecoder::compute(path, 100, keepGoing);
        ASSERT_TRUE(w);
        EXPECT_NEAR(w->map.bpm, bpm, bpm * 0.02) << f.sampleRate;
        EXPECT_NEAR(w->map.analysedSeconds, seconds, 0.01);
        ASSERT_FALSE(w->map.beats.empty());
    }
}

TEST_F(WaveformFiles, NothingForFilesWithoutSoundOrWhenCancelled) {
    const QString junk = dir.filePath(QStringLiteral("junk.mp3"));
    QFile f(junk);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(3000, '\x17'));
    f.close();
    for (const QString& path : {junk, dir.filePath(QStringLiteral("missing.wav"))}) {
        EXPECT_FALSE(WaveformDecoder::compute(path, 50, keepGoing));
    }
    std::atomic_bool cancelled{true};
    EXPECT_FALSE(WaveformDecoder::compute(halves(QStringLiteral("c.wav"), 1, 1), 50, cancelled));
}

TEST_F(WaveformFiles, CacheAnswersOnlyForTheFileItWasMadeFrom) {
    const WaveformCache cache(dir.filePath(QStringLiteral("cache/Tavrel")));
    const QString track = halves(QStringLiteral("t.wav"), 1, 1);
    Waveform w;
    w.duration = 2.0;
    w.peaks = {0.0f, 0.001f, 0.5f, 1.0f};
    w.map.bpm = 96;
    w.map.beats = {0.25, 0.875, 1.5};
    w.map.sections = {1.0};
    w.map.analysedSeconds = 2.0;
    EXPECT_FALSE(cache.load(track, 4));
    ASSERT_TRUE(cache.store(track, w));
    const auto back = cache.load(track, 4);
    ASSERT_TRUE(back);
    EXPECT_DOUBLE_EQ(back->duration, 2.0);
    ASSERT_EQ(back->peaks.size(), 4u);
    EXPECT_EQ(back->peaks[0], 0.0f);
    EXPECT_GT(back->peaks[1], 0.0f); // a quiet passage never comes back as silence
    EXPECT_NEAR(back->peaks[2], 0.5f, 0.005f);
    EXPECT_EQ(back->peaks[3], 1.0f);
    EXPECT_EQ(back->map, w.map);
    // Another strip width, a changed file, a damaged entry: nothing.
    EXPECT_FALSE(cache.load(track, 5));
    halves(QStringLiteral("t.wav"), 1, 2);
    EXPECT_FALSE(cache.load(track, 4));
    ASSERT_TRUE(cache.store(track, w));
    QFile entry(cache.entryFile(track));
    ASSERT_TRUE(entry.open(QIODevice::ReadWrite));
    entry.resize(entry.size() - 2);
    entry.close();
    EXPECT_FALSE(cache.load(track, 4));
    // One entry per track path, however often it changes.
    EXPECT_EQ(QDir(cache.folder()).entryList(QDir::Files).size(), 1);
}

} // namespace
