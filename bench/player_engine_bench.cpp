// Player engine timings with the real libmpv back end: opening a track until it plays, and
// the accuracy of exact seeks (paused and playing) for WAV and MP3. Prints figures only.
#include "engine/MpvBackend.h"

#include "BenchTools.h"
#include "WavWriter.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using bench::report;
using bench::waitUntil;

std::vector<double> openTimes(const QString& path, int runs) {
    std::vector<double> out;
    for (int i = 0; i < runs; ++i) {
        MpvBackend b;
        QElapsedTimer t;
        t.start();
        b.load(path);
        if (!waitUntil([&] { return b.state() == MediaBackend::State::Playing; })) {
            continue;
        }
        b.stop();
        out.push_back(t.nsecsElapsed() / 1e6);
    }
    return out;
}

// Error in ms of the position playback continues from after an exact seek.
// Playing, `raw` also collects the reading minus the target (it includes the time that
// passed since the seek was asked for).
std::vector<double> seekErrors(const QString& path, bool paused, int seeks, double length,
                               std::vector<double>& raw) {
    std::vector<double> out;
    MpvBackend b;
    b.load(path);
    if (!waitUntil([&] { return b.state() == MediaBackend::State::Playing; })) {
        return out;
    }
    auto* rng = QRandomGenerator::global();
    for (int i = 0; i < seeks; ++i) {
        const double target = 0.5 + rng->generateDouble() * (length - 2.0);
        if (paused) {
            b.pause();
        }
        bool done = false;
        auto c = QObject::connect(&b, &MediaBackend::seekCompleted, [&] { done = true; });
        QElapsedTimer clock;
        clock.start();
        b.seek(target);
        waitUntil([&] { return done; });
        QObject::disconnect(c);
        double error;
        if (paused) {
            b.play();
            clock.restart();
            const double before = b.enginePosition();
            waitUntil([&] { return b.enginePosition() != before; }, 3000);
            error = b.enginePosition() - target - clock.nsecsElapsed() / 1e9;
        } else {
            error = b.enginePosition() - target;
            raw.push_back(error * 1000);
            const double elapsed = clock.nsecsElapsed() / 1e9;
            error = error > elapsed ? error - elapsed : std::min(error, 0.0);
        }
        out.push_back(error * 1000);
    }
    return out;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QTemporaryDir dir;
    const QString wav = dir.filePath(QStringLiteral("track.wav"));
    const QString mp3 = dir.filePath(QStringLiteral("track.mp3"));
    testmedia::writeSineWav(wav.toStdString(), 300.0);
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {"-loglevel", "error", "-y", "-i", wav, "-codec:a", "libmp3lame", mp3});
    ffmpeg.waitForFinished(120000);

    report("open until playing, 5 min WAV", openTimes(wav, 15), "ms");
    report("open until playing, 5 min MP3", openTimes(mp3, 15), "ms");
    for (const QString& path : {wav, mp3}) {
        const char* kind = path == wav ? "WAV" : "MP3";
        for (bool paused : {false, true}) {
            std::vector<double> raw;
            auto errors = seekErrors(path, paused, 40, 300.0, raw);
            for (double& e : errors) {
                e = std::abs(e);
            }
            const QByteArray label = QStringLiteral("|seek error| %1 %2")
                                         .arg(kind, paused ? "paused" : "playing")
                                         .toUtf8();
            report(label.constData(), errors, "ms");
            if (!raw.empty()) {
                report(
                    QStringLiteral("  reading - target %1 playing").arg(kind).toUtf8().constData(),
                    raw, "ms");
            }
        }
    }
    return 0;
}
