// Practice tools: the track overview of a 5-minute MP3 (decoded, and from the cache) and the
// processor time that playback costs at practice speeds and transpositions, with the real
// libmpv back end. Prints figures only.
#include "engine/MpvBackend.h"
#include "engine/WaveformCache.h"
#include "engine/WaveformDecoder.h"

#include "BenchTools.h"
#include "WavWriter.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <clocale>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using bench::report;
using bench::waitUntil;

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Lets the event loop run idle (no polling) for `ms`.
void idleFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Percent of one core used by the whole process while `b` plays for `seconds`.
double playingCpu(const QString& path, double speed, int semitones, double seconds) {
    MpvBackend b;
    b.setSpeed(speed);
    b.setTranspose(semitones);
    b.load(path);
    if (!waitUntil([&] { return b.state() == MediaBackend::State::Playing; })) {
        return -1;
    }
    idleFor(1000); // past the start-up
    QElapsedTimer wall;
    wall.start();
    const double before = cpuSeconds();
    idleFor(int(seconds * 1000));
    return (cpuSeconds() - before) / (wall.nsecsElapsed() / 1e9) * 100;
}

// Error in ms of the position playback continues from after exact seeks while playing at
// `speed`: the reading right after the seek, less the track time played since it was asked.
std::vector<double> seekErrors(const QString& path, double speed, int semitones) {
    std::vector<double> out;
    MpvBackend b;
    b.setSpeed(speed);
    b.setTranspose(semitones);
    b.load(path);
    if (!waitUntil([&] { return b.state() == MediaBackend::State::Playing; })) {
        return out;
    }
    for (int i = 0; i < 30; ++i) {
        const double target = 5.0 + i * 9.3;
        bool done = false;
        auto c = QObject::connect(&b, &MediaBackend::seekCompleted, [&] { done = true; });
        QElapsedTimer clock;
        clock.start();
        b.seek(target);
        waitUntil([&] { return done; });
        QObject::disconnect(c);
        double error = b.enginePosition() - target;
        const double played = clock.nsecsElapsed() / 1e9 * speed;
        error = error > played ? error - played : std::min(error, 0.0);
        out.push_back(std::abs(error) * 1000);
    }
    return out;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QTemporaryDir dir;
    qputenv("XDG_CACHE_HOME", dir.filePath(QStringLiteral("cache")).toUtf8());
    const QString wav = dir.filePath(QStringLiteral("track.wav"));
    const QString mp3 = dir.filePath(QStringLiteral("track.mp3"));
    QProcess sox;
    sox.start(QStringLiteral("sox"), {"-R", "-n", "-r", "44100", "-c", "2", "-b", "16", wav,
                                      "synth", "300", "pinknoise", "vol", "0.3"});
    sox.waitForFinished(120000);
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), {"-loglevel", "error", "-y", "-i", wav, "-codec:a",
                                            "libmp3lame", "-b:a", "192k", mp3});
    ffmpeg.waitForFinished(120000);

    const int columns = 736;
    std::atomic_bool keepGoing{false};
    std::vector<double> decode, cached;
    const WaveformCache cache;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer t;
        t.start();
        const auto w = WaveformDecoder::compute(mp3, columns, keepGoing);
        decode.push_back(t.nsecsElapsed() / 1e6);
        if (w) {
            cache.store(mp3, *w);
        }
    }
    for (int i = 0; i < 50; ++i) {
        QElapsedTimer t;
        t.start();
        const auto w = cache.load(mp3, columns);
        if (w) {
            cached.push_back(t.nsecsElapsed() / 1e6);
        }
    }
    report("overview of a 5 min MP3, decoded", decode, "ms");
    report("overview of a 5 min MP3, from the cache", cached, "ms");

    report("|go-to error| playing at 150 %", seekErrors(mp3, 1.5, 0), "ms");
    report("|go-to error| playing at 75 %, transpose +2", seekErrors(mp3, 0.75, 2), "ms");

    struct Case {
        const char* what;
        double speed;
        int semitones;
    };
    for (const Case c : {Case{"CPU playing at 100 %", 1.0, 0}, Case{"CPU playing at 75 %", 0.75, 0},
                         Case{"CPU playing at 75 %, transpose +2", 0.75, 2},
                         Case{"CPU playing at 150 %, transpose -5", 1.5, -5}}) {
        std::vector<double> runs;
        for (int i = 0; i < 3; ++i) {
            runs.push_back(playingCpu(mp3, c.speed, c.semitones, 4.0));
        }
        report(c.what, runs, "% of one core");
    }
    return 0;
}
