// The player window with the real libmpv back end: how long opening a 5-minute track takes
// until it waits stopped at its beginning, and the processor time the window and the player
// use while a track plays: a long track, whose playhead moves a few pixels a second, and a
// short one, whose playhead moves about 18 pixels a second and repaints its strip at each.
// Prints figures only.
#include "app/PlayerRoot.h"
#include "engine/MpvBackend.h"
#include "player/RecordingPlatform.h"
#include "settings/SettingsStore.h"
#include "window/PracticeTools.h"
#include "window/StripTimeline.h"
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

// Counts the paintings of one widget.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return false;
    }
};

void encodeMp3(const QString& wav, const QString& mp3) {
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {"-loglevel", "error", "-y", "-i", wav, "-codec:a", "libmp3lame", mp3});
    ffmpeg.waitForFinished(120000);
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
    encodeMp3(wav, mp3);
    const QString shortWav = dir.filePath(QStringLiteral("Short.wav"));
    const QString shortMp3 = dir.filePath(QStringLiteral("Forty seconds.mp3"));
    testmedia::writeSineWav(shortWav.toStdString(), 40.0);
    encodeMp3(shortWav, shortMp3);

    SettingsStore store(dir.filePath(QStringLiteral("settings.db")));
    RecordingPlatform platform;
    platform.onProcessEvents = [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 5); };
    PlayerRoot root(platform, store, [] { return std::make_unique<MpvBackend>(); });
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
        if (window.hybrid().position() == 0.0) {
            opens.push_back(ms);
        }
    }
    report("OpenTrack 5 min MP3 until stopped at 0", opens, "ms");

    // Processor time while a track plays with the window shown, as a share of one core, and
    // how often the strip's timeline painted meanwhile.
    PaintCounter counter;
    root.practice().timeline().installEventFilter(&counter);
    auto measure = [&](const char* what) {
        for (int run = 0; run < 3; ++run) {
            const double cpu0 = processCpuSeconds();
            counter.paints = 0;
            QElapsedTimer wall;
            wall.start();
            pump(10000);
            const double seconds = wall.nsecsElapsed() / 1e9;
            const double share = 100.0 * (processCpuSeconds() - cpu0) / seconds;
            std::printf("CPU while playing, %s, 10 s sample %d  %.2f %% of one core,"
                        " timeline painted %.1f times a second, at %.1f s\n",
                        what, run + 1, share, counter.paints / seconds, window.hybrid().position());
        }
    };
    window.cmdPlay_Click();
    pump(1000);
    measure("5 min track");

    QString path = shortMp3;
    window.OpenTrack(path);
    window.cmdPlay_Click();
    pump(1000);
    measure("40 s track");
    return 0;
}
