// The player window with the real libmpv back end: how long opening a 5-minute track takes
// until it waits stopped at its beginning, and the processor time the window and the player
// use while a track plays. Prints figures only.
#include "app/PlayerRoot.h"
#include "engine/MpvBackend.h"
#include "player/RecordingPlatform.h"
#include "settings/SettingsStore.h"
#include "settings/cRegistry.h"
#include "window/frmRehearsal.h"

#include "BenchTools.h"
#include "WavWriter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <vector>

namespace {

using bench::report;

double processCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Runs the event loop for `ms` milliseconds, sleeping whenever there is nothing to do.
void pump(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QTemporaryDir dir;
    const QString wav = dir.filePath(QStringLiteral("Warm up.wav"));
    const QString mp3 = dir.filePath(QStringLiteral("Five minutes.mp3"));
    testmedia::writeSineWav(wav.toStdString(), 300.0);
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {"-loglevel", "error", "-y", "-i", wav, "-codec:a", "libmp3lame", mp3});
    ffmpeg.waitForFinished(120000);

    SettingsStore store(dir.filePath(QStringLiteral("settings.db")));
    cRegistry registry(store);
    RecordingPlatform platform;
    platform.onProcessEvents = [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 5); };
    PlayerRoot root(platform, registry, [] { return std::make_unique<MpvBackend>(); });
    frmRehearsal& window = root.window();
    window.show();

    // Each MP3 opening follows a WAV opening, so the window switches components every time.
    std::vector<double> opens;
    for (int i = 0; i < 15; ++i) {
        QString first = wav;
        window.OpenTrack(first);
        pump(50);
        QString path = mp3;
        QElapsedTimer t;
        t.start();
        window.OpenTrack(path);
        const double ms = t.nsecsElapsed() / 1e6;
        if (window.hybrid().position() == 0.0)
            opens.push_back(ms);
    }
    report("OpenTrack 5 min MP3 until stopped at 0", opens, "ms");

    // Processor time while the MP3 plays with the window shown, as a share of one core.
    window.cmdPlay_Click();
    pump(1000);
    for (int run = 0; run < 3; ++run) {
        const double cpu0 = processCpuSeconds();
        QElapsedTimer wall;
        wall.start();
        pump(10000);
        const double share = 100.0 * (processCpuSeconds() - cpu0) / (wall.nsecsElapsed() / 1e9);
        std::printf("CPU while playing, 10 s sample %d             %.2f %% of one core\n", run + 1,
                    share);
    }
    return 0;
}
