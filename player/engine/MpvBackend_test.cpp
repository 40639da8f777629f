#include "engine/MpvBackend.h"
#include "engine/OpenController.h"

#include "WavWriter.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

// Runs the event loop until the condition holds or the deadline passes.
bool waitUntil(const std::function<bool()>& done, int ms = 8000) {
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

class MpvBackendTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new QTemporaryDir;
        wav = dir->filePath(QStringLiteral("tone.wav"));
        mp3 = dir->filePath(QStringLiteral("tone.mp3"));
        testmedia::writeSineWav(wav.toStdString(), 12.0);
        QProcess ffmpeg;
        ffmpeg.start(QStringLiteral("ffmpeg"),
                     {"-loglevel", "error", "-y", "-i", wav, "-codec:a", "libmp3lame", mp3});
        ffmpeg.waitForFinished(60000);
    }
    static void TearDownTestSuite() { delete dir; }

    void openAndWaitPlaying(MpvBackend& b, const QString& path) {
        b.load(path);
        ASSERT_TRUE(waitUntil([&] { return b.state() == MediaBackend::State::Playing; }))
            << path.toStdString() << ": " << b.errorText().toStdString();
    }

    static QTemporaryDir* dir;
    static QString wav;
    static QString mp3;
};
QTemporaryDir* MpvBackendTest::dir = nullptr;
QString MpvBackendTest::wav;
QString MpvBackendTest::mp3;

TEST_F(MpvBackendTest, LoadedTrackPlaysFromTheStartAndItsPositionGrows) {
    for (const QString& path : {wav, mp3}) {
        MpvBackend b;
        EXPECT_EQ(b.position(), 0.0);
        openAndWaitPlaying(b, path);
        EXPECT_NEAR(b.duration(), 12.0, 0.1);
        EXPECT_LT(b.position(), 1.0);
        EXPECT_TRUE(waitUntil([&] { return b.position() > 0.3; }));
        EXPECT_EQ(b.path(), path);
    }
}

TEST_F(MpvBackendTest, StopWaitsAtZeroWithTheTrackKept) {
    MpvBackend b;
    openAndWaitPlaying(b, wav);
    ASSERT_TRUE(waitUntil([&] { return b.position() > 0.3; }));
    b.stop();
    EXPECT_EQ(b.state(), MediaBackend::State::Stopped);
    EXPECT_EQ(b.position(), 0.0);
    EXPECT_TRUE(waitUntil([&] { return std::abs(b.enginePosition()) < 0.25; }));
    EXPECT_EQ(b.path(), wav);
    b.play();
    EXPECT_TRUE(waitUntil([&] { return b.position() > 0.2; }));
    EXPECT_EQ(b.state(), MediaBackend::State::Playing);
}

// Seeks to several targets and returns the error in ms of each: paused, the position that
// playback resumes from; playing, the position right after the seek completed (a reading
// ahead of the target by less than the time since the seek counts as exact).
std::vector<double> seekErrors(MpvBackend& b, bool paused, double speed = 1.0) {
    std::vector<double> errors;
    const double targets[] = {1.234, 7.5, 3.01, 10.777, 0.5, 5.555};
    for (double target : targets) {
        if (paused) {
            b.pause();
        }
        bool done = false;
        double reported = -1;
        auto c = QObject::connect(&b, &MediaBackend::seekCompleted, [&](double, double n) {
            done = true;
            reported = n;
        });
        QElapsedTimer clock;
        clock.start();
        b.seek(target);
        EXPECT_EQ(b.position(), target);
        EXPECT_TRUE(waitUntil([&] { return done; }));
        QObject::disconnect(c);
        EXPECT_EQ(reported, target);
        double error;
        if (paused) {
            EXPECT_EQ(b.position(), target);
            b.play();
            clock.restart();
            const double before = b.enginePosition();
            waitUntil([&] { return b.enginePosition() != before; }, 3000);
            EXPECT_GE(b.position(), target);
        }
        // Playing on, the reading may run ahead by at most the track time played since the
        // seek (or since resuming); a busy machine only widens that window, it never counts
        // as an error.
        error = b.enginePosition() - target;
        const double elapsed = clock.nsecsElapsed() / 1e9 * speed;
        if (error > elapsed) {
            error -= elapsed;
        } else if (error > 0) {
            error = 0;
        }
        errors.push_back(error * 1000);
    }
    return errors;
}

TEST_F(MpvBackendTest, SeeksAreExactPausedAndPlaying) {
    for (const QString& path : {wav, mp3}) {
        for (bool paused : {false, true}) {
            MpvBackend b;
            openAndWaitPlaying(b, path);
            const auto errors = seekErrors(b, paused);
            std::printf("seek error ms (%s, %s):", qPrintable(QFileInfo(path).suffix()),
                        paused ? "paused" : "playing");
            for (double e : errors) {
                std::printf(" %.1f", e);
                EXPECT_LT(std::abs(e), 20.0) << path.toStdString() << (paused ? " paused" : "");
            }
            std::printf("\n");
        }
    }
}

TEST_F(MpvBackendTest, SeeksStayExactAtPracticeSpeedAndTranspose) {
    MpvBackend b;
    b.setSpeed(1.5);
    b.setTranspose(3);
    openAndWaitPlaying(b, mp3);
    EXPECT_DOUBLE_EQ(b.speed(), 1.5);
    for (bool paused : {false, true}) {
        for (double e : seekErrors(b, paused, 1.5)) {
            EXPECT_LT(std::abs(e), 20.0) << (paused ? "paused" : "playing");
        }
    }
}

// Plays a track through libmpv into a WAV file instead of a sound device and returns the
// left channel.
std::vector<double> render(const QString& source, const QString& out, double speed, int semitones) {
    MpvBackend b(nullptr, {{"ao", "pcm"},
                           {"ao-pcm-file", out.toStdString()},
                           {"audio-format", "s16"},
                           {"audio-channels", "stereo"}});
    b.setSpeed(speed);
    b.setTranspose(semitones);
    b.load(source);
    EXPECT_TRUE(waitUntil([&] { return b.state() == MediaBackend::State::Ended; }, 30000))
        << b.errorText().toStdString();
    EXPECT_DOUBLE_EQ(b.speed(), speed);
    EXPECT_EQ(b.transpose(), semitones);
    EXPECT_EQ(b.audioFilters().contains(QLatin1String("rubberband")), semitones != 0)
        << b.audioFilters().toStdString();
    const auto bytes = testmedia::readFile(out.toStdString());
    if (bytes.size() <= 44) {
        return {};
    }
    return testmedia::channelOf16(std::vector<uint8_t>(bytes.begin() + 44, bytes.end()), 2, 0);
}

TEST_F(MpvBackendTest, SpeedKeepsThePitchAndTransposeMovesItWhateverTheSpeed) {
    // A tone rich in harmonics, like an instrument; its fundamental tells the pitch.
    const QString tone = dir->filePath(QStringLiteral("saw220.wav"));
    QProcess sox;
    sox.start(QStringLiteral("sox"), {"-n", "-r", "44100", "-c", "2", "-b", "16", tone, "synth",
                                      "4", "sawtooth", "220", "vol", "0.5"});
    ASSERT_TRUE(sox.waitForFinished(30000));
    struct Case {
        double speed;
        int semitones;
    };
    for (const Case c :
         {Case{1.5, 0}, Case{0.5, 0}, Case{1.0, 12}, Case{0.75, 2}, Case{1.25, -5}}) {
        const QString out = dir->filePath(QStringLiteral("out.wav"));
        QFile::remove(out);
        const auto left = render(tone, out, c.speed, c.semitones);
        ASSERT_FALSE(left.empty());
        const double seconds = left.size() / 44100.0;
        EXPECT_NEAR(seconds, 4.0 / c.speed, 0.25) << c.speed << " " << c.semitones;
        // Judge the steady middle of the output, away from the stretchers' start-up.
        const size_t from = left.size() / 4, n = left.size() / 2;
        const std::vector<double> middle(left.begin() + long(from), left.begin() + long(from + n));
        const double expected = 220.0 * std::pow(2.0, c.semitones / 12.0);
        const double at = testmedia::toneLevelDb(middle, 44100, expected);
        const double original = testmedia::toneLevelDb(middle, 44100, 220.0);
        EXPECT_GT(at, -20.0) << "speed " << c.speed << ", " << c.semitones << " semitones";
        if (c.semitones != 0) {
            EXPECT_LT(original, at - 20.0) << "the original pitch is still there";
        }
    }
}

// Where sound starts after a tenth of a second of silence, in seconds of the output.
std::vector<double> onsets(const std::vector<double>& samples, double threshold) {
    std::vector<double> at;
    size_t quiet = 0;
    for (size_t i = 0; i < samples.size(); ++i) {
        if (std::abs(samples[i]) > threshold) {
            if (quiet > 4410) {
                at.push_back(i / 44100.0);
            }
            quiet = 0;
        } else {
            ++quiet;
        }
    }
    return at;
}

// Zero crossings of the 20 ms after `from` seconds: about 40 for each kHz of a tone.
int crossings(const std::vector<double>& samples, double from) {
    const auto start = static_cast<size_t>(from * 44100);
    int n = 0;
    for (size_t i = start + 1; i < std::min(samples.size(), start + 882); ++i) {
        n += (samples[i - 1] < 0) != (samples[i] < 0) ? 1 : 0;
    }
    return n;
}

// The "music" of the click tests: a short blip on each beat at 120 a minute (0.25, 0.75, ...
// 3.75 s), right channel only, so that the left channel holds nothing but the clicks.
QString makeBlips(const QTemporaryDir& dir) {
    const QString blips = dir.filePath(QStringLiteral("blips.wav"));
    const QString quiet = dir.filePath(QStringLiteral("quiet.wav"));
    const QString music = dir.filePath(QStringLiteral("music.wav"));
    for (const QStringList& args :
         {QStringList{"-n", "-r", "44100", "-c", "1", "-b", "16", blips, "synth", "0.03", "sine",
                      "300", "pad", "0.25", "0.22", "repeat", "7"},
          QStringList{"-n", "-r", "44100", "-c", "1", "-b", "16", quiet, "trim", "0", "4"},
          QStringList{"-M", quiet, blips, music}}) {
        QProcess sox;
        sox.start(QStringLiteral("sox"), args);
        if (!sox.waitForFinished(30000) || sox.exitCode() != 0) {
            return {};
        }
    }
    return music;
}

// Where the clicks (left channel) and the music with them (right) start, as libmpv plays
// `source` at `speed` with `clicks` into a file.
struct Heard {
    std::vector<double> clicks;
    std::vector<double> music;
    std::vector<double> left;
    QString filters;
};
Heard hear(const QTemporaryDir& dir, const QString& source, double speed,
           const MediaBackend::Clicks& clicks) {
    const QString out = dir.filePath(QStringLiteral("clicks.wav"));
    QFile::remove(out);
    MpvBackend b(nullptr, {{"ao", "pcm"},
                           {"ao-pcm-file", out.toStdString()},
                           {"audio-format", "s16"},
                           {"audio-channels", "stereo"}});
    b.setSpeed(speed);
    b.setClicks(clicks);
    b.load(source);
    Heard h;
    if (!waitUntil([&] { return b.state() == MediaBackend::State::Ended; }, 30000)) {
        return h;
    }
    h.filters = b.audioFilters();
    const auto bytes = testmedia::readFile(out.toStdString());
    if (bytes.size() <= 44) {
        return h;
    }
    const std::vector<uint8_t> pcm(bytes.begin() + 44, bytes.end());
    h.left = testmedia::channelOf16(pcm, 2, 0);
    h.clicks = onsets(h.left, 0.02);
    h.music = onsets(testmedia::channelOf16(pcm, 2, 1), 0.02);
    return h;
}

TEST_F(MpvBackendTest, ClicksStayWithTheMusicAtAnySpeedAndBarsSoundHigher) {
    const QString music = makeBlips(*dir);
    ASSERT_FALSE(music.isEmpty());
    for (double speed : {1.0, 1.5, 0.75}) {
        for (bool on : {true, false}) {
            // 120 a minute, a bar starting at 0.25 s: on the blips.
            const Heard h =
                hear(*dir, music, speed,
                     on ? MediaBackend::Clicks{120, 0.25, 1.0} : MediaBackend::Clicks{});
            ASSERT_EQ(h.music.size(), 8u) << "speed " << speed;
            if (!on) {
                EXPECT_TRUE(h.clicks.empty()) << h.clicks.size() << " clicks with the clicks off";
                continue;
            }
            ASSERT_EQ(h.clicks.size(), 8u) << "speed " << speed << ", " << qPrintable(h.filters);
            for (size_t k = 0; k < h.clicks.size(); ++k) {
                // Heard with the music, whatever the stretcher's delay.
                EXPECT_NEAR(h.clicks[k], h.music[k], 0.008) << "click " << k << " at " << speed;
                if (speed == 1.0) {
                    EXPECT_NEAR(h.clicks[k], 0.25 + 0.5 * k, 0.005) << "click " << k;
                }
            }
            if (speed == 1.0) {
                // The bar's first beat at 1,760 Hz, the others at 1,175 Hz.
                EXPECT_NEAR(crossings(h.left, h.clicks[0]), 70, 6);
                EXPECT_NEAR(crossings(h.left, h.clicks[1]), 47, 6);
                EXPECT_NEAR(crossings(h.left, h.clicks[4]), 70, 6);
            }
        }
    }
}

TEST_F(MpvBackendTest, ACountInSilencesTheTrackAndCountsToWhereItComesIn) {
    const QString music = makeBlips(*dir);
    ASSERT_FALSE(music.isEmpty());
    for (double speed : {1.0, 1.5}) {
        // No metronome; a count from the start to 2.15 s at 120 a minute: clicks at 0.15,
        // 0.65, 1.15 and 1.65 s, the blips before 2.15 s silent, those after it heard.
        const Heard h =
            hear(*dir, music, speed, MediaBackend::Clicks{120, 0.25, 1.0, false, 0.0, 2.15});
        ASSERT_EQ(h.clicks.size(), 4u) << "speed " << speed << ", " << qPrintable(h.filters);
        ASSERT_EQ(h.music.size(), 8u) << "speed " << speed;
        for (size_t k = 0; k < 4; ++k) {
            EXPECT_NEAR(h.music[k], h.clicks[k], 0.002) << k;
            EXPECT_NEAR(h.clicks[k] - h.clicks[0], k * 0.5 / speed, 0.01) << k << " at " << speed;
        }
        // The music comes in on the beat the count leads to: 0.6 s of the track after the last
        // click, then on the beat. (The stretcher moves single blips by up to about 15 ms at
        // other speeds.)
        EXPECT_NEAR(h.music[4] - h.clicks[3], 0.6 / speed, 0.02) << speed;
        EXPECT_NEAR(h.music[5] - h.music[4], 0.5 / speed, 0.02) << speed;
        if (speed == 1.0) {
            EXPECT_NEAR(h.clicks[0], 0.15, 0.005);
        }
    }
}

TEST_F(MpvBackendTest, ALoopReturnsToItsStartExactlyAndEndsWhenCleared) {
    MpvBackend b;
    b.setSpeed(1.5);
    openAndWaitPlaying(b, wav);
    ASSERT_TRUE(waitUntil([&] { return b.position() > 3.2; }));
    // Set with the playhead past the end point: it goes back to the start at once.
    std::vector<double> landings;
    QObject::connect(&b, &MediaBackend::loopRestarted, [&] { landings.push_back(b.position()); });
    b.setLoop(1.0, 3.0);
    EXPECT_TRUE(b.looping());
    EXPECT_EQ(b.loopPoints(), QStringLiteral("1.000000 3.000000"));
    EXPECT_EQ(b.position(), 1.0);
    double lowest = 99, highest = 0;
    ASSERT_TRUE(waitUntil(
        [&] {
            if (!landings.empty()) {
                lowest = std::min(lowest, b.position());
                highest = std::max(highest, b.position());
            }
            return landings.size() >= 3;
        },
        12000));
    // The position runs on to the end point and turns back to the start, never earlier.
    EXPECT_GE(lowest, 1.0);
    EXPECT_LT(highest, 3.1);
    EXPECT_GT(highest, 2.8);
    // Soon after each turn it is back near the start.
    for (double p : landings) {
        EXPECT_LT(p, 3.1);
    }
    EXPECT_TRUE(waitUntil([&] { return b.position() < 1.3; }, 3000));
    b.clearLoop();
    EXPECT_FALSE(b.looping());
    EXPECT_EQ(b.loopPoints(), QStringLiteral("no no"));
    EXPECT_TRUE(waitUntil([&] { return b.position() > 3.5; }));
    // A new track ends the loop too.
    b.setLoop(1.0, 3.0);
    openAndWaitPlaying(b, mp3);
    EXPECT_FALSE(b.looping());
    EXPECT_EQ(b.loopPoints(), QStringLiteral("no no"));
}

TEST_F(MpvBackendTest, UnplayableFilesFailWithTheEnginesReason) {
    const QString text = dir->filePath(QStringLiteral("notes.wav"));
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, '\x5a'));
    f.close();
    for (const QString& path : {text, dir->filePath(QStringLiteral("missing.mp3"))}) {
        MpvBackend b;
        QString reason;
        QObject::connect(&b, &MediaBackend::failed, [&](const QString& r) { reason = r; });
        b.load(path);
        EXPECT_TRUE(
            waitUntil([&] { return !reason.isEmpty(); }, OpenController::kTimeLimitMs + 2000))
            << path.toStdString();
        EXPECT_EQ(b.state(), MediaBackend::State::Failed);
        EXPECT_EQ(b.errorText(), reason);
        EXPECT_EQ(b.position(), 0.0);
        std::printf("%s: %s\n", qPrintable(QFileInfo(path).fileName()), qPrintable(reason));
    }
}

TEST_F(MpvBackendTest, ANewTrackReplacesAFailedOne) {
    MpvBackend b;
    b.load(dir->filePath(QStringLiteral("missing.wav")));
    ASSERT_TRUE(waitUntil([&] { return b.state() == MediaBackend::State::Failed; }));
    openAndWaitPlaying(b, mp3);
    EXPECT_TRUE(b.errorText().isEmpty());
}

TEST_F(MpvBackendTest, ALoadWhileOpeningLeavesOnlyTheNewTrack) {
    MpvBackend b;
    bool failed = false;
    QObject::connect(&b, &MediaBackend::failed, [&] { failed = true; });
    b.load(dir->filePath(QStringLiteral("missing.wav")));
    openAndWaitPlaying(b, wav);
    // Give the first track's failure time to arrive: it must be ignored.
    EXPECT_TRUE(waitUntil([&] { return b.position() > 0.3; }));
    EXPECT_FALSE(failed);
    EXPECT_EQ(b.state(), MediaBackend::State::Playing);
}

TEST_F(MpvBackendTest, CommandsWhileOpeningApplyWhenTheTrackStarts) {
    MpvBackend b;
    b.load(mp3);
    b.seek(4.25);
    b.pause();
    EXPECT_EQ(b.position(), 4.25);
    ASSERT_TRUE(waitUntil([&] { return b.state() == MediaBackend::State::Paused; }));
    EXPECT_EQ(b.position(), 4.25);
    EXPECT_TRUE(waitUntil([&] { return std::abs(b.enginePosition() - 4.25) < 0.25; }));

    MpvBackend c;
    c.load(wav);
    c.stop();
    ASSERT_TRUE(waitUntil([&] { return c.state() == MediaBackend::State::Stopped; }));
    EXPECT_EQ(c.position(), 0.0);
}

TEST_F(MpvBackendTest, NullAudioOutputIsAnnounced) {
    MpvBackend b;
    int notices = 0;
    QObject::connect(&b, &MediaBackend::noAudioDevice, [&] { ++notices; });
    openAndWaitPlaying(b, wav);
    if (b.audioOutput() != QLatin1String("null")) {
        GTEST_SKIP() << "a sound device is present: " << b.audioOutput().toStdString();
    }
    EXPECT_TRUE(waitUntil([&] { return notices > 0; }));
    openAndWaitPlaying(b, mp3);
    EXPECT_EQ(notices, 1);
    // The null output keeps real time: the position grows, it does not race to the end.
    EXPECT_LT(b.position(), 1.0);
}

TEST_F(MpvBackendTest, PlayAtTheEndStartsAgain) {
    const QString shortWav = dir->filePath(QStringLiteral("short.wav"));
    testmedia::writeSineWav(shortWav.toStdString(), 0.6);
    MpvBackend b;
    openAndWaitPlaying(b, shortWav);
    ASSERT_TRUE(waitUntil([&] { return b.state() == MediaBackend::State::Ended; }));
    EXPECT_EQ(b.path(), shortWav);
    b.play();
    EXPECT_EQ(b.state(), MediaBackend::State::Playing);
    EXPECT_LT(b.position(), 0.3);
}

} // namespace
